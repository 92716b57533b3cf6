#pragma once

#include "TestTool.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <source_location>

// The separate reader of the records (tests/tools/biffscan.py under Debian's
// python3 with olefile, which scripts/setup.sh installs).
namespace RecordOracle {

// The reader's JSON for a book. A reader that is missing, fails or gives
// nothing fails the test: two empty results must never compare equal.
inline QJsonObject Scan(const QString &path, const QString &password = QString(),
                        std::source_location where = std::source_location::current())
{
    QStringList arguments{QStringLiteral(QUIRN_SOURCE_DIR "/tests/tools/biffscan.py")};
    if (!password.isEmpty())
        arguments << QStringLiteral("--password") << password;
    QByteArray output;
    if (!TestTool::Run(QStringLiteral("/usr/bin/python3"), arguments << path, 120, &output, where))
        return {};
    const QJsonArray out = QJsonDocument::fromJson(output).array();
    if (out.isEmpty() || !out.first().isObject()) {
        QTest::qFail(qPrintable(QStringLiteral("the record reader gave no result for ") + path), where.file_name(),
                     int(where.line()));
        return {};
    }
    return out.first().toObject();
}

// True when the reader can run; else the test fails, saying what is missing.
inline bool Available(std::source_location where = std::source_location::current())
{
    if (!QFile::exists(QStringLiteral(QUIRN_SOURCE_DIR "/tests/tools/biffscan.py"))) {
        QTest::qFail("tests/tools/biffscan.py is missing", where.file_name(), int(where.line()));
        return false;
    }
    if (TestTool::Succeeds(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import olefile")}))
        return true;
    QTest::qFail("python3 with olefile is needed to read the records back (scripts/setup.sh installs them)",
                 where.file_name(), int(where.line()));
    return false;
}

} // namespace RecordOracle
