#pragma once

#include "BenchReport.h"
#include "BookFile.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Books of a chosen size for benchmarks, made from a real test book.
namespace BenchBooks {

// A book of `sheets` sheets at `path`: a real book whose first sheet is
// copied until there are enough ("Copy 4", "Copy 5", ...); empty when it
// could not be made.
inline QString OfSheets(const QString &path, int sheets)
{
    QFile::remove(path);
    if (!QFile::copy(BenchFixtures::Path(QStringLiteral("hidden_third_sheet.xls")), path))
        return QString();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    quirn::BookFile book;
    if (book.open(path))
        return QString();
    for (int i = book.sheetCount(); i < sheets; ++i) {
        if (book.duplicateSheet(0, QStringLiteral("Copy %1").arg(i), book.sheetCount()))
            return QString();
    }
    return book.save() ? QString() : path;
}

// Writes `bytes` to a new file at `path`; false when it could not.
inline bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Has a throwaway office (its profile in `folder`) write each
// `<name>.fods` of `folder` as `<name>.xls` beside it; false when it failed,
// left a book out or did not end within 10 minutes.
inline bool MadeByOffice(const QString &folder, const QStringList &names)
{
    QStringList inputs;
    for (const QString &name : names)
        inputs << folder + u'/' + name + QStringLiteral(".fods");
    QProcess office;
    office.setProcessChannelMode(QProcess::MergedChannels);
    office.start(QStringLiteral("soffice"),
                 QStringList{QStringLiteral("-env:UserInstallation=file://") + folder + QStringLiteral("/profile"),
                             QStringLiteral("--headless"), QStringLiteral("--norestore"),
                             QStringLiteral("--convert-to"), QStringLiteral("xls:MS Excel 97"),
                             QStringLiteral("--outdir"), folder}
                     + inputs);
    if (!office.waitForFinished(600000)) {
        office.kill();
        office.waitForFinished(10000);
        return false;
    }
    if (office.exitStatus() != QProcess::NormalExit || office.exitCode() != 0)
        return false;
    for (const QString &name : names) {
        if (!QFile::exists(folder + u'/' + name + QStringLiteral(".xls")))
            return false;
    }
    return true;
}

} // namespace BenchBooks
