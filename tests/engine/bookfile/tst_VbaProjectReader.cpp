#include "HostileBooks.h"
#include "VbaCompression.h"
#include "VbaProjectReader.h"
#include "VbaSourceScan.h"

#include "CompoundFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>


using quirn::BookFileError;
using quirn::CompoundFile;
using quirn::VbaCompression;
using quirn::VbaProjectReader;
using quirn::VbaSourceScan;
using Kind = VbaProjectReader::ModuleKind;

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(QUIRN_FIXTURES_DIR "/") + name;
}

// The stream at `path` ("A/B/c") of a compound file; empty
// when the file or the stream cannot be read.
QByteArray compoundStream(const QString &file, const QString &path)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const std::unique_ptr<CompoundFile> container = CompoundFile::open(f.readAll());
    QByteArray out;
    if (container)
        container->readStream(path, &out);
    return out;
}

QByteArray dirStream(const QString &file)
{
    return compoundStream(fixture(file), "_VBA_PROJECT_CUR/VBA/dir");
}

QByteArray projectStream(const QString &file)
{
    return compoundStream(fixture(file), "_VBA_PROJECT_CUR/PROJECT");
}

QByteArray dirRecord(quint16 id, const QByteArray &data)
{
    QByteArray out(6, '\0');
    qToLittleEndian<quint16>(id, out.data());
    qToLittleEndian<quint32>(quint32(data.size()), out.data() + 2);
    return out + data;
}

QByteArray u16Bytes(quint16 value)
{
    QByteArray out(2, '\0');
    qToLittleEndian<quint16>(value, out.data());
    return out;
}

QByteArray utf16Bytes(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

struct TestModule
{
    QByteArray name;
    QString unicodeName;
    bool procedural;
};

// A decompressed dir stream in the shape Excel writes: project information,
// no references, then the modules.
QByteArray dirOf(quint16 codePage, const QList<TestModule> &modules)
{
    QByteArray d;
    d += dirRecord(0x0001, QByteArray::fromHex("01000000"));
    d += dirRecord(0x0002, QByteArray::fromHex("09040000"));
    d += dirRecord(0x0014, QByteArray::fromHex("09040000"));
    d += dirRecord(0x0003, u16Bytes(codePage));
    d += dirRecord(0x0004, "VBAProject");
    d += dirRecord(0x0005, QByteArray()) + dirRecord(0x0040, QByteArray());
    d += dirRecord(0x0006, QByteArray()) + dirRecord(0x003D, QByteArray());
    d += dirRecord(0x0007, QByteArray(4, '\0'));
    d += dirRecord(0x0008, QByteArray(4, '\0'));
    // The version record: its size field is reserved and six bytes follow.
    d += QByteArray::fromHex("0900040000004e1a9d2b0e00");
    d += dirRecord(0x000C, QByteArray()) + dirRecord(0x003C, QByteArray());
    d += dirRecord(0x000F, u16Bytes(quint16(modules.size())));
    d += dirRecord(0x0013, u16Bytes(0xFFFF));
    for (const TestModule &m : modules) {
        d += dirRecord(0x0019, m.name);
        if (!m.unicodeName.isEmpty())
            d += dirRecord(0x0047, utf16Bytes(m.unicodeName));
        d += dirRecord(0x001A, m.name) + dirRecord(0x0032, utf16Bytes(QString::fromLatin1(m.name)));
        d += dirRecord(0x001C, QByteArray()) + dirRecord(0x0048, QByteArray());
        d += dirRecord(0x0031, QByteArray(4, '\0'));
        d += dirRecord(0x001E, QByteArray(4, '\0'));
        d += dirRecord(0x002C, u16Bytes(0xFFFF));
        d += dirRecord(m.procedural ? 0x0021 : 0x0022, QByteArray());
        d += dirRecord(0x002B, QByteArray());
    }
    d += dirRecord(0x0010, QByteArray());
    return d;
}

QList<QPair<QString, int>> namesAndKinds(const QList<VbaProjectReader::Module> &modules)
{
    QList<QPair<QString, int>> out;
    for (const auto &m : modules)
        out.append({m.name, int(m.kind)});
    return out;
}

} // namespace

class tst_VbaProjectReader : public QObject
{
    Q_OBJECT

private slots:
    void decompressesContainers();
    void compressionRoundTrips();
    void refusesDamagedContainers();
    void readsEveryFixtureProject_data();
    void readsEveryFixtureProject();
    void decodesNamesInTheProjectCodePage_data();
    void decodesNamesInTheProjectCodePage();
    void refusesDamagedDirStreams();
    void fuzzedInputNeverCrashes();
    void findsCallsToOtherModules_data();
    void findsCallsToOtherModules();
};

void tst_VbaProjectReader::decompressesContainers()
{
    QByteArray out;
    // Literals only.
    QVERIFY(VbaProjectReader::decompress(QByteArray::fromHex(
        "0119b00061626364656667680069" "6a6b6c6d6e6f7000717273747576" "2e"), &out));
    QCOMPARE(out, QByteArray("abcdefghijklmnopqrstuv."));

    // Three literals, then a copy token (offset 3, length 9) that overlaps
    // what it writes.
    QVERIFY(VbaProjectReader::decompress(QByteArray::fromHex("0105b00861626306" "20"), &out));
    QCOMPARE(out, QByteArray("abcabcabcabc"));

    // An uncompressed chunk of 4096 bytes, then a compressed one.
    QByteArray raw(4096, 'x');
    raw[0] = 'a';
    raw[4095] = 'z';
    QByteArray container = QByteArray(1, char(1)) + QByteArray::fromHex("ff3f") + raw
        + QByteArray::fromHex("05b00861626306" "20");
    QVERIFY(VbaProjectReader::decompress(container, &out));
    QCOMPARE(out, raw + "abcabcabcabc");

    // Longer input through the test's own literal-only containers.
    QByteArray text;
    for (int i = 0; i < 1000; ++i)
        text += QByteArray::number(i) + ' ';
    QVERIFY(VbaProjectReader::decompress(HostileBooks::literalContainer(text), &out));
    QCOMPARE(out, text);
}

// What is compressed comes back byte for byte: text that repeats (copy
// tokens at every offset width), runs that overlap what they write, bytes
// that do not compress (raw chunks), across chunk boundaries.
void tst_VbaProjectReader::compressionRoundTrips()
{
    QByteArray text, noise, longRun(9000, 'x');
    for (int i = 0; i < 700; ++i)
        text += "Attribute VB_Name = \"Sheet" + QByteArray::number(i % 37) + "\"\r\nDim x" + QByteArray::number(i) + "\r\n";
    quint32 seed = 7;
    for (int i = 0; i < 4096 * 2 + 100; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise += char(seed >> 24);
    }
    for (const QByteArray &data : {QByteArray(), QByteArray("a"), QByteArray("abcabcabcabc"), text, longRun,
                                   noise.left(4096), noise + text}) {
        const QByteArray container = VbaCompression::compress(data);
        QByteArray out;
        QVERIFY(VbaProjectReader::decompress(container, &out));
        // A raw last chunk is padded to 4096 bytes with zeros, as the format has it.
        QCOMPARE(out.left(data.size()), data);
        QVERIFY(out.mid(data.size()).count('\0') == out.size() - data.size());
    }
    QVERIFY(VbaCompression::compress(text).size() < text.size() / 3);
}

void tst_VbaProjectReader::refusesDamagedContainers()
{
    QByteArray out;
    QVERIFY(!VbaProjectReader::decompress(QByteArray(), &out));
    QVERIFY(!VbaProjectReader::decompress(QByteArray::fromHex("0205b00861626306" "20"), &out));
    // A copy token reaching before the start of the chunk.
    QVERIFY(!VbaProjectReader::decompress(QByteArray::fromHex("0105b00861626306" "40"), &out));
    // A copy token as the chunk's first item.
    QVERIFY(!VbaProjectReader::decompress(QByteArray::fromHex("0103b0010300"), &out));
    // A chunk header cut in half.
    QVERIFY(!VbaProjectReader::decompress(QByteArray::fromHex("0105b008616263062005"), &out));
}

void tst_VbaProjectReader::readsEveryFixtureProject_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QJsonArray>("expected");

    QFile manifest(fixture("manifest.json"));
    QVERIFY(manifest.open(QIODevice::ReadOnly));
    const QJsonArray files = QJsonDocument::fromJson(manifest.readAll())["files"].toArray();
    int projects = 0;
    for (const QJsonValue &entry : files) {
        const QJsonObject vba = entry["raw"]["vba"].toObject();
        if (!vba["storage"].toBool() || vba.contains("dir_error"))
            continue;
        const QString file = entry["file"].toString();
        QTest::newRow(qPrintable(file)) << file << vba["modules"].toArray();
        ++projects;
    }
    QVERIFY(projects >= 11);
}

void tst_VbaProjectReader::readsEveryFixtureProject()
{
    QFETCH(QString, file);
    QFETCH(QJsonArray, expected);

    const QHash<QString, int> kinds = {
        {"standard", 1}, {"class", 2}, {"form", 3}, {"document", 100}};
    QList<QPair<QString, int>> want;
    for (const QJsonValue &m : expected)
        want.append({m["name"].toString(), kinds.value(m["kind"].toString(), -1)});

    VbaProjectReader reader;
    QVERIFY2(reader.read(dirStream(file), projectStream(file)), qPrintable(reader.error().message));
    QVERIFY(!reader.error().isError());
    QCOMPARE(namesAndKinds(reader.modules()), want);
}

void tst_VbaProjectReader::decodesNamesInTheProjectCodePage_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("unicodeName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Japanese, Shift_JIS") << 932 << QByteArray::fromHex("8f578c76") << QString()
                                         << QString("集計");
    QTest::newRow("German, Windows-1252") << 1252 << QByteArray::fromHex("dc6265727369636874")
                                          << QString() << QString("Übersicht");
    QTest::newRow("Cyrillic, Windows-1251") << 1251 << QByteArray::fromHex("cceee4f3ebfc31")
                                            << QString() << QString("Модуль1");
    QTest::newRow("Unicode name wins") << 1252 << QByteArray("?????") << QString("日本語モジュール")
                                       << QString("日本語モジュール");
}

void tst_VbaProjectReader::decodesNamesInTheProjectCodePage()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, stored);
    QFETCH(QString, unicodeName);
    QFETCH(QString, expected);

    const QByteArray dir = dirOf(quint16(codePage), {{"ThisWorkbook", QString(), false},
                                                     {stored, unicodeName, true},
                                                     {"Sheet1", QString(), false}});
    // The PROJECT stream is in the same code page; its names match the dir
    // stream's ignoring case.
    const QByteArray project = "ID=\"{00000000-0000-0000-0000-000000000000}\"\r\n"
                               "Document=THISWORKBOOK/&H00000000\r\n"
                               "Module=" + stored + "\r\n"
                               "Document=Sheet1/&H00000000\r\n"
                               "Name=\"VBAProject\"\r\n"
                               "\r\n[Workspace]\r\nClass1=0, 0, 0, 0, C\r\n";
    VbaProjectReader reader;
    QVERIFY2(reader.read(HostileBooks::literalContainer(dir), project), qPrintable(reader.error().message));
    QCOMPARE(reader.codePage(), codePage);
    QCOMPARE(reader.projectName(), QString("VBAProject"));
    const QList<QPair<QString, int>> want = {{"ThisWorkbook", 100}, {expected, 1}, {"Sheet1", 100}};
    QCOMPARE(namesAndKinds(reader.modules()), want);
}

void tst_VbaProjectReader::refusesDamagedDirStreams()
{
    const QByteArray dir = dirOf(1252, {{"Module1", QString(), true}});
    const QByteArray project = "Module=Module1\r\n";
    VbaProjectReader reader;
    QVERIFY(reader.read(HostileBooks::literalContainer(dir), project));

    // Cut off before the terminator.
    QVERIFY(!reader.read(HostileBooks::literalContainer(dir.left(dir.size() - 6)), project));
    QCOMPARE(reader.error().code, BookFileError::Code::Damaged);
    QVERIFY(reader.modules().isEmpty());
    // A record claiming more bytes than there are.
    QByteArray oversized = dir;
    qToLittleEndian<quint32>(0x7FFFFFFF, oversized.data() + 2);
    QVERIFY(!reader.read(HostileBooks::literalContainer(oversized), project));
    // A module count that does not match the modules.
    QVERIFY(!reader.read(HostileBooks::literalContainer(dirOf(1252, {})
                                              .replace(dirRecord(0x000F, u16Bytes(0)),
                                                       dirRecord(0x000F, u16Bytes(2)))),
                         project));
    // Not compressed at all.
    QVERIFY(!reader.read(dir, project));
    QVERIFY(!reader.error().message.isEmpty());
    // An empty module name.
    QVERIFY(!reader.read(HostileBooks::literalContainer(dirOf(1252, {{QByteArray(), QString(), true}})), project));
}

// Mutated dir and PROJECT streams of every fixture give an error or some
// modules, never a crash or a hang.
void tst_VbaProjectReader::fuzzedInputNeverCrashes()
{
    QRandomGenerator random(7122026);
    const QStringList files = {
        "kinds_ws_chart_xlm_dialog_vba.xls", "vba_std_and_class_modules.xls",
        "visibility_chartsheet_vba_cyrillic.xls", "hidden_and_protected_sheets.xls",
        "vba_project_uw_userform.xls", "vba_german_modul1.xls",
    };
    int failures = 0;
    for (const QString &file : files) {
        const QByteArray dir = dirStream(file);
        const QByteArray project = projectStream(file);
        QByteArray plainDir;
        QVERIFY(VbaProjectReader::decompress(dir, &plainDir));
        for (int round = 0; round < 300; ++round) {
            // Damage either the compressed stream or, to reach the record
            // walk, the decompressed one.
            const bool damageRecords = round % 2 == 1;
            QByteArray damaged = damageRecords ? plainDir : dir;
            const int edits = 1 + random.bounded(6);
            for (int e = 0; e < edits; ++e)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            if (round % 5 == 0)
                damaged.truncate(random.bounded(int(damaged.size())));
            QByteArray damagedProject = project;
            if (round % 3 == 0 && !damagedProject.isEmpty())
                damagedProject[random.bounded(int(damagedProject.size()))] = char(random.bounded(256));

            VbaProjectReader reader;
            const bool ok = reader.read(damageRecords ? HostileBooks::literalContainer(damaged) : damaged,
                                        damagedProject);
            if (!ok) {
                ++failures;
                QCOMPARE(reader.error().code, BookFileError::Code::Damaged);
                QVERIFY(reader.modules().isEmpty());
            }
        }
    }
    QVERIFY(failures > 0);
}

void tst_VbaProjectReader::findsCallsToOtherModules_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("used");
    // The source book's standard module offers FindRow, Total and Report
    // (Helper is private to it); the sheet's module calls some of them.
    QTest::newRow("plain and Call") << "Sub A()\r\n  Set r = FindRow(x, Me)\r\n  Call total\r\nEnd Sub\r\n"
                                    << QStringList{"FindRow", "Total"};
    QTest::newRow("module-qualified") << "Sub A()\r\n  Module1.Report 1\r\nEnd Sub\r\n" << QStringList{"Report"};
    QTest::newRow("another object's member") << "Sub A()\r\n  ws.Report : Me.Total\r\nEnd Sub\r\n" << QStringList();
    QTest::newRow("strings and comments") << "Sub A() ' FindRow\r\n  MsgBox \"Total \"\"Report\"\"\"\r\n"
                                             "  Rem Report\r\nEnd Sub\r\n" << QStringList();
    QTest::newRow("its own procedure of that name")
        << "Private Function FindRow()\r\nEnd Function\r\nSub A()\r\n  FindRow\r\n  Module1.FindRow\r\nEnd Sub\r\n"
        << QStringList{"FindRow"};
    QTest::newRow("continued line") << "Sub A()\r\n  x = 1 + _\r\n    Total(2)\r\nEnd Sub\r\n" << QStringList{"Total"};
    QTest::newRow("private elsewhere") << "Sub A()\r\n  Helper\r\nEnd Sub\r\n" << QStringList();
}

void tst_VbaProjectReader::findsCallsToOtherModules()
{
    QFETCH(QString, code);
    QFETCH(QStringList, used);
    const QString standard = QStringLiteral("Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\n"
                                            "Function FindRow(a, b) As Range\r\nEnd Function\r\n"
                                            "Public Sub Total()\r\nEnd Sub\r\nPrivate Sub Helper()\r\nEnd Sub\r\n"
                                            "Property Get Report() As Long\r\nEnd Property\r\n");
    QHash<QString, QString> offered;
    for (const QString &name : VbaSourceScan::publicProcedures(standard))
        offered.insert(name.toLower(), name);
    QCOMPARE(offered.size(), 3);
    QCOMPARE(VbaSourceScan::namesUsed(code, offered, {QStringLiteral("module1")}), used);
}

QTEST_APPLESS_MAIN(tst_VbaProjectReader)
#include "tst_VbaProjectReader.moc"
