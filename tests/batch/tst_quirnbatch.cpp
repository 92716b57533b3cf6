// quirn-batch run as a user runs it: a separate process, no display, real
// books (private copies of the fixtures), exit status and output read back.

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include "BatchProcess.h"
#include "CompoundFile.h"
#include "RecordOracle.h"
#include "FlatDocument.h"
#include "HostileBooks.h"
#include "IsolatedStore.h"

// The runs' settings, office profiles and records are this test's own.
static IsolatedStore g_store;

namespace {

using Run = BatchRun;

QJsonObject sheetNamed(const QJsonObject &book, const QString &name)
{
    for (const QJsonValue &sheet : book.value(QStringLiteral("sheets")).toArray())
        if (sheet.toObject().value(QStringLiteral("name")).toString() == name)
            return sheet.toObject();
    return {};
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The Excel 95 fixture with its first sheet named `name`, as another program
// may write it: the BOUNDSHEET grows, and the offsets of the sheets, which
// all follow the globals, move with it.
bool writeOldBookWithName(const QString &path, const QByteArray &name)
{
    const auto file = quirn::CompoundFile::open(fileBytes(QStringLiteral(QUIRN_FIXTURES_DIR "/biff5_visibility.xls")));
    QByteArray book;
    if (!file || !file->readStream(QStringLiteral("Book"), &book))
        return false;
    const auto u16 = [&book](qsizetype at) { return quint16(quint8(book[at]) | quint8(book[at + 1]) << 8); };
    QList<qsizetype> sheets;
    qsizetype pos = 0;
    for (; pos + 4 <= book.size() && u16(pos) != 0x000A; pos += 4 + u16(pos + 2))
        if (u16(pos) == 0x0085)
            sheets << pos;
    if (sheets.isEmpty())
        return false;
    const qsizetype at = sheets.first();
    const int oldLength = quint8(book[at + 4 + 6]);
    const qsizetype growth = name.size() - oldLength;
    book.replace(at + 4 + 7, oldLength, name);
    book[at + 4 + 6] = char(name.size());
    const quint16 length = quint16(u16(at + 2) + growth);
    book[at + 2] = char(length & 0xFF);
    book[at + 3] = char(length >> 8);
    for (qsizetype s : sheets) {
        const qsizetype entry = s > at ? s + growth : s;
        quint32 offset = quint32(u16(entry + 4)) | quint32(u16(entry + 6)) << 16;
        offset += quint32(growth);
        for (int k = 0; k < 4; ++k)
            book[entry + 4 + k] = char((offset >> (8 * k)) & 0xFF);
    }
    return HostileBooks::writeContainer(path, {{QStringLiteral("Book"), book}});
}

// The separate record reader of the test tree: sheet name -> visibility state
// (0 visible, 1 hidden, 2 very hidden), in book order. Fails the test when it
// cannot read the book.
QList<QPair<QString, int>> oracleSheets(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(QUIRN_SOURCE_DIR "/tests/tools/biffscan.py"), path});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        qWarning() << "the record reader failed:" << process.readAllStandardError();
        return {};
    }
    QList<QPair<QString, int>> sheets;
    const QJsonArray books = QJsonDocument::fromJson(process.readAllStandardOutput()).array();
    for (const QJsonValue &sheet : books.at(0).toObject().value(QStringLiteral("sheets")).toArray())
        sheets.append({sheet.toObject().value(QStringLiteral("name")).toString(),
                       sheet.toObject().value(QStringLiteral("hsState")).toInt()});
    return sheets;
}

using Sheets = QList<QPair<QString, int>>;

// Every file below a folder with its bytes, by path: what a dry run must leave as it was.
QMap<QString, QByteArray> filesBelow(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, fileBytes(path));
    }
    return files;
}

} // namespace

class tst_quirnbatch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString copyOf(const QString &fixture)
    {
        const QString target = m_dir.filePath(fixture);
        QFile::remove(target);
        if (!QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/") + fixture, target))
            qFatal("cannot copy the fixture %s", qPrintable(fixture));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }

private slots:
    void usageErrorsExitTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no verb") << QStringList{};
        QTest::newRow("unknown verb") << QStringList{QStringLiteral("frobnicate"), QStringLiteral("a.xls")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("list"), QStringLiteral("--colour"), QStringLiteral("a.xls")};
        QTest::newRow("no book") << QStringList{QStringLiteral("list"), QStringLiteral("--json")};
        QTest::newRow("dry run of list") << QStringList{QStringLiteral("list"), QStringLiteral("-n"), QStringLiteral("a.xls")};
        QTest::newRow("no list of books") << QStringList{QStringLiteral("list"), QStringLiteral("--files-from"), QStringLiteral("/nonexistent/list")};
        QTest::newRow("copy from a list") << QStringList{QStringLiteral("copy"), QStringLiteral("--files-from"), QStringLiteral("-"), QStringLiteral("S"), QStringLiteral("--to"), QStringLiteral("b.xls")};
    }

    void usageErrorsExitTwo()
    {
        QFETCH(QStringList, arguments);
        const Run run = runBatch(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith(QStringLiteral("quirn-batch: ")), qPrintable(run.err));
    }

    void helpForEachVerb()
    {
        Run run = runBatch({QStringLiteral("--help")});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("list BOOK..."));
        run = runBatch({QStringLiteral("list"), QStringLiteral("--help")});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("usage: quirn-batch list"));
    }

    void listsKindsVisibilityProtectionAndModules()
    {
        const QString kinds = copyOf(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls"));
        const QString visibility = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
        const QByteArray before = [&] { QFile f(kinds); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        const Run run = runBatch({QStringLiteral("list"), QStringLiteral("--json"), kinds, visibility});
        QCOMPARE(run.status, 0);
        const QJsonArray books = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("books")).toArray();
        QCOMPARE(books.size(), 2);

        const QJsonObject first = books.at(0).toObject();
        QCOMPARE(sheetNamed(first, QStringLiteral("Chart1")).value(QStringLiteral("kind")).toString(), QStringLiteral("chart"));
        QCOMPARE(sheetNamed(first, QStringLiteral("Macro1")).value(QStringLiteral("kind")).toString(), QStringLiteral("macro"));
        QCOMPARE(sheetNamed(first, QStringLiteral("Macro1")).value(QStringLiteral("attribute")).toInt(), 2);
        const QJsonObject dialog = sheetNamed(first, QStringLiteral("Dialog1"));
        QCOMPARE(dialog.value(QStringLiteral("kind")).toString(), QStringLiteral("dialog"));
        QVERIFY(dialog.value(QStringLiteral("protected")).toBool());
        QStringList modules;
        for (const QJsonValue &module : first.value(QStringLiteral("modules")).toArray())
            modules << module.toObject().value(QStringLiteral("name")).toString();
        QVERIFY2(modules.contains(QStringLiteral("Module1")) && modules.contains(QStringLiteral("UserForm1")),
                 qPrintable(modules.join(',')));

        const QJsonObject second = books.at(1).toObject();
        QCOMPARE(sheetNamed(second, QStringLiteral("Visible")).value(QStringLiteral("visibility")).toString(), QStringLiteral("visible"));
        QCOMPARE(sheetNamed(second, QStringLiteral("Hidden")).value(QStringLiteral("visibility")).toString(), QStringLiteral("hidden"));
        QCOMPARE(sheetNamed(second, QStringLiteral("VeryHidden")).value(QStringLiteral("visibility")).toString(), QStringLiteral("veryhidden"));

        // Listing writes nothing.
        QFile after(kinds);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);
    }

    void tableForPeopleWithPages()
    {
        const QString book = copyOf(QStringLiteral("fit_to_pages_spaces.xls"));
        const Run run = runBatch({QStringLiteral("list"), book, QStringLiteral("--pages")});
        QCOMPARE(run.status, 0);
        const QString table = QString::fromUtf8(run.out);
        QVERIFY2(table.contains(QStringLiteral("Page 1")) && table.contains(QStringLiteral("Page 3")), qPrintable(table));
        QVERIFY2(table.contains(QRegularExpression(QStringLiteral("\\s1p  Page 1"))), qPrintable(table));
    }

    void damagedBookAmongGoodOnes()
    {
        const QString good = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        const QString empty = copyOf(QStringLiteral("zero_bytes.xls"));
        const QString alsoGood = copyOf(QStringLiteral("japanese_sheet_names.xls"));
        const Run run = runBatch({QStringLiteral("list"), QStringLiteral("--json"), good, empty, alsoGood});
        QCOMPARE(run.status, 1);
        const QJsonArray books = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("books")).toArray();
        QCOMPARE(books.size(), 3);
        QCOMPARE(books.at(0).toObject().value(QStringLiteral("sheets")).toArray().size(), 4);
        QVERIFY(books.at(1).toObject().contains(QStringLiteral("error")));
        QVERIFY(!books.at(2).toObject().value(QStringLiteral("sheets")).toArray().isEmpty());
        QVERIFY2(run.err.contains(QStringLiteral("zero_bytes.xls: ")), qPrintable(run.err));
    }

    void editsInPlaceAndSaves()
    {
        const QString book = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
        QCOMPARE(runBatch({QStringLiteral("rename"), book, QStringLiteral("Hidden"), QStringLiteral("隠し")}).status, 0);
        // Hidden to very hidden needs no other visible sheet than the one there is.
        QCOMPARE(runBatch({QStringLiteral("veryhide"), book, QStringLiteral("隠し")}).status, 0);
        QCOMPARE(runBatch({QStringLiteral("show"), book, QStringLiteral("VeryHidden")}).status, 0);
        QCOMPARE(oracleSheets(book), (Sheets{{QStringLiteral("Visible"), 0}, {QStringLiteral("隠し"), 2},
                                             {QStringLiteral("VeryHidden"), 0}}));
        QCOMPARE(runBatch({QStringLiteral("hide"), book, QStringLiteral("Visible")}).status, 0);
        QCOMPARE(runBatch({QStringLiteral("delete"), book, QStringLiteral("隠し")}).status, 0);
        QCOMPARE(oracleSheets(book), (Sheets{{QStringLiteral("Visible"), 1}, {QStringLiteral("VeryHidden"), 0}}));
    }

    void sortsAsTheWindowDoes()
    {
        const QString book = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
        QCOMPARE(runBatch({QStringLiteral("rename"), book, QStringLiteral("Hidden"), QStringLiteral("hidden b")}).status, 0);
        QCOMPARE(runBatch({QStringLiteral("sort"), book}).status, 0);
        QCOMPARE(oracleSheets(book), (Sheets{{QStringLiteral("hidden b"), 1}, {QStringLiteral("VeryHidden"), 2},
                                             {QStringLiteral("Visible"), 0}}));
        QCOMPARE(runBatch({QStringLiteral("sort"), QStringLiteral("--descending"), book}).status, 0);
        QCOMPARE(oracleSheets(book), (Sheets{{QStringLiteral("Visible"), 0}, {QStringLiteral("VeryHidden"), 2},
                                             {QStringLiteral("hidden b"), 1}}));
    }

    void refusalsLeaveTheBookAsItWas_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("code"); // what a script reads instead of the text
        QTest::newRow("forbidden character") << QStringList{QStringLiteral("rename"), QStringLiteral("Sheet1"), QStringLiteral("a/b")} << QStringLiteral("Sheet1") << "invalid-name";
        QTest::newRow("taken name, other case") << QStringList{QStringLiteral("rename"), QStringLiteral("Sheet1"), QStringLiteral("sheet2")} << QStringLiteral("Sheet1") << "name-taken";
        QTest::newRow("missing sheet") << QStringList{QStringLiteral("hide"), QStringLiteral("Sheet2"), QStringLiteral("Nothing")} << QStringLiteral("Nothing") << "not-found";
        QTest::newRow("last visible sheets") << QStringList{QStringLiteral("hide"), QStringLiteral("Sheet1"), QStringLiteral("Sheet2"), QStringLiteral("Sheet4")} << QStringLiteral("Sheet4") << "last-visible-sheet";
        QTest::newRow("every sheet") << QStringList{QStringLiteral("delete"), QStringLiteral("Sheet1"), QStringLiteral("Sheet2"), QStringLiteral("Sheet3"), QStringLiteral("Sheet4")} << QString() << "last-visible-sheet";
    }

    void refusalsLeaveTheBookAsItWas()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        QFETCH(QString, code);
        const QString book = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        const QByteArray before = fileBytes(book);
        arguments.insert(1, book);
        const Run run = runBatch(arguments << QStringLiteral("--json"));
        QCOMPARE(run.status, 1);
        QJsonObject document;
        QVERIFY(jsonRunProblem(run, &document).isEmpty());
        QCOMPARE(document.value(QStringLiteral("books")).toArray().first().toObject().value(QStringLiteral("error"))
                     .toObject().value(QStringLiteral("code")).toString(), code);
        QVERIFY2(run.err.contains(QStringLiteral("hidden_third_sheet.xls: ") + said), qPrintable(run.err));
        QCOMPARE(fileBytes(book), before);
    }

    void copiesAndMovesBetweenBooks()
    {
        const QString source = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
        const QString target = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        Run run = runBatch({QStringLiteral("copy"), source, QStringLiteral("Visible"), QStringLiteral("--to"), target,
                            QStringLiteral("--after"), QStringLiteral("Sheet1")});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        run = runBatch({QStringLiteral("move"), source, QStringLiteral("VeryHidden"), QStringLiteral("--to"), target});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(oracleSheets(target), (Sheets{{QStringLiteral("Sheet1"), 0}, {QStringLiteral("Visible"), 0},
                                               {QStringLiteral("Sheet2"), 0}, {QStringLiteral("Sheet3"), 1},
                                               {QStringLiteral("Sheet4"), 0}, {QStringLiteral("VeryHidden"), 2}}));
        QCOMPARE(oracleSheets(source), (Sheets{{QStringLiteral("Visible"), 0}, {QStringLiteral("Hidden"), 1}}));
        // A name the target has: Excel's name for the copy.
        run = runBatch({QStringLiteral("copy"), source, QStringLiteral("Visible"), QStringLiteral("--to"), target});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(oracleSheets(target).last().first, QStringLiteral("Visible (2)"));
    }

    void combinesInTheWindowsOrder()
    {
        // Two books of one file name: the later goes first, the earlier in a later pass.
        QDir(m_dir.path()).mkpath(QStringLiteral("other"));
        const QString first = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        const QString second = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
        const QString third = m_dir.filePath(QStringLiteral("other/hidden_third_sheet.xls"));
        QVERIFY(QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/xlm_macro_autoopen.xls"), third));
        QFile::setPermissions(third, QFile::ReadOwner | QFile::WriteOwner);
        const QString target = m_dir.filePath(QStringLiteral("combined.xls"));
        QFile::remove(target);
        Run run = runBatch({QStringLiteral("combine"), QStringLiteral("--into"), target, first, second, third});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("Macro1")), qPrintable(run.err)); // skipped and said
        QCOMPARE(oracleSheets(target),
                 (Sheets{{QStringLiteral("Visible"), 0}, {QStringLiteral("Hidden"), 1}, {QStringLiteral("VeryHidden"), 2},
                         {QStringLiteral("MyWB"), 0}, {QStringLiteral("Sheet1"), 0}, {QStringLiteral("Sheet2"), 0},
                         {QStringLiteral("Sheet3"), 1}, {QStringLiteral("Sheet4"), 0}}));

        // An existing target is added to only when asked, and never from itself.
        const QByteArray combined = fileBytes(target);
        run = runBatch({QStringLiteral("combine"), QStringLiteral("--into"), target, second});
        QCOMPARE(run.status, 1);
        QCOMPARE(fileBytes(target), combined);
        QCOMPARE(runBatch({QStringLiteral("combine"), QStringLiteral("--force"), QStringLiteral("--into"), target, target}).status, 1);
        QCOMPARE(fileBytes(target), combined);
        run = runBatch({QStringLiteral("combine"), QStringLiteral("--force"), QStringLiteral("--into"), target, second});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(oracleSheets(target).size(), 11);
        QCOMPARE(oracleSheets(target).last().first, QStringLiteral("VeryHidden (2)"));
    }

    // Books with VBA projects come through the records whole: a new book
    // gets a project holding the code behind the sheets that had some.
    void combinesMacroBooks()
    {
        const QString empty = copyOf(QStringLiteral("vba_module1.xls"));
        const QString code = copyOf(QStringLiteral("protected_sheet_print_titles.xls"));
        const QString target = m_dir.filePath(QStringLiteral("macros.xls"));
        QFile::remove(target);
        const Run run = runBatch({QStringLiteral("combine"), QStringLiteral("--into"), target, empty, code});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(!run.err.contains(QStringLiteral("LibreOffice")), qPrintable(run.err));
        QCOMPARE(oracleSheets(target).size(), 6);
        const auto modules = [](const QString &path) {
            QHash<QString, QString> sources;
            for (const QJsonValue &m : RecordOracle::Scan(path).value(QStringLiteral("vba")).toObject().value(QStringLiteral("modules")).toArray())
                sources.insert(m.toObject().value(QStringLiteral("name")).toString(), m.toObject().value(QStringLiteral("source_sha1")).toString());
            return sources;
        };
        QVERIFY(modules(target).values().contains(modules(code).value(QStringLiteral("Sheet1"))));
    }

    // Books Excel 5.0/95 wrote come through the office, each sheet saying so;
    // a name longer than Excel's 31 characters (another program wrote it)
    // is cut to 31, then numbered on a clash, and the result says so.
    void combinesExcel95Books()
    {
        const QString longName = QStringLiteral("Quarterly figures of every branch office, 1995 to 1999.");
        QCOMPARE(longName.size(), 55);
        const QString first = m_dir.filePath(QStringLiteral("excel95-a.xls"));
        const QString second = m_dir.filePath(QStringLiteral("excel95-b.xls"));
        QVERIFY(writeOldBookWithName(first, longName.toLatin1()));
        QVERIFY(QFile::copy(first, second));
        const QString target = m_dir.filePath(QStringLiteral("from95.xls"));
        QFile::remove(target);
        const Run run = runBatch({QStringLiteral("combine"), QStringLiteral("--json"), QStringLiteral("--into"), target,
                                  first, second});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QString cut = longName.left(31);
        QStringList names;
        for (const auto &sheet : oracleSheets(target))
            names << sheet.first;
        QCOMPARE(names, QStringList({cut, "Hidden", "VeryHidden", cut.left(27) + " (2)", "Hidden (2)", "VeryHidden (2)"}));
        QCOMPARE(run.err.count(QStringLiteral("31 文字を超える")), 2);
        const QJsonArray books = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("books")).toArray();
        int office = 0;
        for (const QJsonValue &book : books)
            for (const QJsonValue &change : book.toObject().value(QStringLiteral("changed")).toArray()) {
                QCOMPARE(change.toObject().value(QStringLiteral("way")).toString(), QStringLiteral("office"));
                QVERIFY(change.toObject().value(QStringLiteral("why")).toString().contains(QStringLiteral("Excel 5.0/95")));
                ++office;
            }
        QCOMPARE(office, 6);
    }

    void transferRefusals()
    {
        const QString source = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
        const QString target = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        const QByteArray sourceBefore = fileBytes(source);
        const QByteArray targetBefore = fileBytes(target);
        QCOMPARE(runBatch({QStringLiteral("copy"), source, QStringLiteral("Visible")}).status, 2);
        QCOMPARE(runBatch({QStringLiteral("copy"), source, QStringLiteral("Visible"), QStringLiteral("--to"), target,
                           QStringLiteral("--before"), QStringLiteral("Sheet1"), QStringLiteral("--after"), QStringLiteral("Sheet2")}).status, 2);
        Run run = runBatch({QStringLiteral("move"), source, QStringLiteral("Nothing"), QStringLiteral("--to"), target});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Nothing")), qPrintable(run.err));
        run = runBatch({QStringLiteral("copy"), source, QStringLiteral("Visible"), QStringLiteral("--to"), target,
                        QStringLiteral("--after"), QStringLiteral("Nowhere")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Nowhere")), qPrintable(run.err));
        // Every sheet of the source cannot go: a book keeps one.
        run = runBatch({QStringLiteral("move"), source, QStringLiteral("Visible"), QStringLiteral("Hidden"),
                        QStringLiteral("VeryHidden"), QStringLiteral("--to"), target});
        QCOMPARE(run.status, 1);
        QCOMPARE(fileBytes(source), sourceBefore);
        QCOMPARE(fileBytes(target), targetBefore);
    }

    // Each family of verbs over a damaged book between two good ones: the
    // others are done, exit 1, and the JSON names each book's outcome in the
    // one layout.
    void verbFamiliesReportInOneLayout_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("ok");
        QTest::newRow("list") << QStringList{"list", "{mixed}"} << "101";
        QTest::newRow("sheet edit") << QStringList{"hide", "{mixed}", "Sheet2"} << "101";
        QTest::newRow("rename") << QStringList{"rename", "{mixed}", "Sheet2", "Zwei"} << "101";
        QTest::newRow("page setup") << QStringList{"pagesetup", "--from", "{model}:Visible", "{mixed}"} << "101";
        QTest::newRow("combine") << QStringList{"combine", "--into", "{new}", "{mixed}"} << "1101";
        QTest::newRow("transfer") << QStringList{"copy", "{mixed}/b.xls", "Sheet1", "--to", "{model}"} << "01";
        QTest::newRow("list from a file") << QStringList{"list", "--files-from", "{list}"} << "101";
    }

    void verbFamiliesReportInOneLayout()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, ok);
        const Run run = runBatch(withBooks(arguments) << QStringLiteral("--json"));
        QCOMPARE(run.status, 1);
        QJsonObject document;
        const QString problem = jsonRunProblem(run, &document);
        QVERIFY2(problem.isEmpty(), qPrintable(problem + u' ' + QString::fromUtf8(run.out)));
        QCOMPARE(okPattern(document), ok);
        QVERIFY2(run.err.contains(QStringLiteral("mixed/b.xls: ")), qPrintable(run.err)); // the path, not only the name
    }

    // A dry run checks and reports as if done, and leaves every byte.
    void dryRunsLeaveEveryByte_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("action");
        QTest::newRow("hide") << QStringList{"hide", "{mixed}/a.xls", "Sheet2"} << "hidden";
        QTest::newRow("rename") << QStringList{"rename", "{mixed}/a.xls", "Sheet2", "Zwei"} << "renamed";
        QTest::newRow("sort") << QStringList{"sort", "--descending", "{mixed}/a.xls"} << "moved";
        QTest::newRow("move") << QStringList{"move", "{mixed}/a.xls", "Sheet2", "--to", "{model}"} << "removed";
        QTest::newRow("combine new") << QStringList{"combine", "--into", "{new}", "{mixed}/a.xls", "{mixed}/c.xls"} << "added";
        QTest::newRow("combine into") << QStringList{"combine", "--force", "--into", "{model}", "{mixed}/a.xls"} << "added";
        QTest::newRow("page setup") << QStringList{"pagesetup", "--from", "{model}:Visible", "{mixed}/c.xls"} << "set-up";
    }

    void dryRunsLeaveEveryByte()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, action);
        const QStringList command = withBooks(arguments) << QStringLiteral("--json") << QStringLiteral("-n");
        const QMap<QString, QByteArray> before = filesBelow(m_dir.path());
        const Run run = runBatch(command);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QJsonObject document;
        const QString problem = jsonRunProblem(run, &document);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY(document.value(QStringLiteral("dry-run")).toBool());
        const QJsonObject first = document.value(QStringLiteral("books")).toArray().first().toObject();
        QVERIFY2(!first.value(QStringLiteral("changed")).toArray().isEmpty(), qPrintable(QString::fromUtf8(run.out)));
        QCOMPARE(first.value(QStringLiteral("changed")).toArray().first().toObject().value(QStringLiteral("action")).toString(),
                 action);
        QVERIFY(filesBelow(m_dir.path()) == before);
    }

    // What scripts rely on beyond the layout: the version, no abort whatever
    // the engine throws, books of one file name told apart, and the lists of
    // books from a file (NUL-separated) and from folders with their subfolders.
    void scriptsCanRelyOnIt()
    {
        Run run = runBatch({QStringLiteral("--version")});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("quirn-batch 1."));

        const QString book = withBooks({QStringLiteral("{mixed}/a.xls")}).first();
        const QString link = m_dir.filePath(QStringLiteral("link.xls"));
        QVERIFY(QFile::link(book, link));
        for (const QString &verb : {QStringLiteral("copy"), QStringLiteral("move")}) {
            run = runBatch({verb, book, QStringLiteral("Sheet1"), QStringLiteral("--to"), link});
            QVERIFY2(run.status == 0 || (run.status == 1 && !run.err.isEmpty()), qPrintable(run.err));
        }

        QDir(m_dir.path()).mkpath(QStringLiteral("other"));
        const QString namesake = m_dir.filePath(QStringLiteral("other/a.xls"));
        QVERIFY(QFile::copy(book, namesake));
        // Books of one file name in different folders: a copy there and a move back.
        const qsizetype before = oracleSheets(namesake).size();
        run = runBatch({QStringLiteral("copy"), book, QStringLiteral("Sheet1"), QStringLiteral("--to"), namesake});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(oracleSheets(namesake).size(), before + 1);
        const QString copied = oracleSheets(namesake).last().first;
        run = runBatch({QStringLiteral("move"), namesake, copied, QStringLiteral("--to"), book});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(oracleSheets(namesake).size(), before);
        QCOMPARE(oracleSheets(book).last().first, copied);

        QFile list(m_dir.filePath(QStringLiteral("books.lst")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(book.toUtf8() + '\0' + namesake.toUtf8() + '\0');
        list.close();
        run = runBatch({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("-0"), QStringLiteral("--files-from"), list.fileName()});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QJsonObject document;
        QVERIFY(jsonRunProblem(run, &document).isEmpty());
        QCOMPARE(okPattern(document), QStringLiteral("11"));
        // -q keeps what was skipped on purpose out of stderr; the JSON still says it, with its code.
        const QString macros = m_dir.filePath(QStringLiteral("macros.xls"));
        QVERIFY(QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/xlm_macro_autoopen.xls"), macros));
        run = runBatch({QStringLiteral("combine"), QStringLiteral("-q"), QStringLiteral("--json"), QStringLiteral("--into"),
                        m_dir.filePath(QStringLiteral("quiet.xls")), macros});
        QVERIFY2(run.status == 0 && run.err.isEmpty(), qPrintable(run.err));
        QVERIFY(jsonRunProblem(run, &document).isEmpty());
        QCOMPARE(document.value(QStringLiteral("books")).toArray().first().toObject().value(QStringLiteral("skipped"))
                     .toArray().first().toObject().value(QStringLiteral("code")).toString(), QStringLiteral("macro-sheet"));

        run = runBatch({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("-r"), m_dir.path()});
        QVERIFY(jsonRunProblem(run, &document).isEmpty());
        QVERIFY2(okPattern(document).size() >= 5, qPrintable(okPattern(document))); // the folders' books too
    }

    void sheetsOfOneNameAreToldApart()
    {
        // As other programs write books: a name twice (the second hidden),
        // one differing only in case, one with "*".
        const QString book = m_dir.filePath(QStringLiteral("twins.xls"));
        QVERIFY(HostileBooks::writeBook(book, {"Data", "DATA", "A*B", "Data", "Zed"}, {3}));
        Run run = runBatch({QStringLiteral("list"), QStringLiteral("--json"), book});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QStringList listed;
        for (const QJsonValue &sheet : QJsonDocument::fromJson(run.out).object()[QStringLiteral("books")].toArray().at(0)[QStringLiteral("sheets")].toArray())
            listed << sheet[QStringLiteral("name")].toString() + QLatin1Char(' ') + sheet[QStringLiteral("visibility")].toString();
        QCOMPARE(listed, (QStringList{"Data visible", "DATA visible", "A*B visible", "Data hidden", "Zed visible"}));

        QCOMPARE(runBatch({QStringLiteral("hide"), book, QStringLiteral("A*B")}).status, 0);
        QCOMPARE(runBatch({QStringLiteral("rename"), book, QStringLiteral("DATA"), QStringLiteral("Upper")}).status, 0);
        const QByteArray before = fileBytes(book);
        run = runBatch({QStringLiteral("rename"), book, QStringLiteral("Data"), QStringLiteral("Other")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("複数")), qPrintable(run.err));
        QCOMPARE(fileBytes(book), before);
        QCOMPARE(oracleSheets(book), (Sheets{{"Data", 0}, {"Upper", 0}, {"A*B", 1}, {"Data", 1}, {"Zed", 0}}));

        // Sorted, each sheet keeps what it is.
        QCOMPARE(runBatch({QStringLiteral("sort"), book}).status, 0);
        Sheets sorted = oracleSheets(book);
        QCOMPARE(sorted.size(), 5);
        std::sort(sorted.begin() + 1, sorted.begin() + 3, [](const auto &a, const auto &b) { return a.second < b.second; });
        QCOMPARE(sorted, (Sheets{{"A*B", 1}, {"Data", 0}, {"Data", 1}, {"Upper", 0}, {"Zed", 0}}));
    }

    void namesBothBooksDefineAreReported()
    {
        const QStringList books = FlatDocument::Books(m_dir.path(), {{QStringLiteral("named"), FlatDocument::NamedSource},
                                                                     {QStringLiteral("kept"), FlatDocument::NamedTarget},
                                                                     {QStringLiteral("renamed"), FlatDocument::NamedTarget}});
        QCOMPARE(books.size(), 3);
        Run run = runBatch({QStringLiteral("copy"), books[0], QStringLiteral("Calc"), QStringLiteral("--to"), books[1]});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("kept.xls: 名前 \"Rate\"")) && run.err.contains(QStringLiteral("ｺﾋﾟｰ先の定義")),
                 qPrintable(run.err));
        QVERIFY2(!run.err.contains(QStringLiteral("Same")), qPrintable(run.err)); // alike in both: nothing to say
        run = runBatch({QStringLiteral("copy"), books[0], QStringLiteral("Calc"), QStringLiteral("--to"), books[2],
                        QStringLiteral("--rename-names")});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("\"Rate_2\"")), qPrintable(run.err));
    }

private:
    // The arguments with their placeholders made real in a fresh folder:
    // {mixed} a folder of a.xls and c.xls (good) and b.xls (damaged) between,
    // {model} another book, {new} a book not yet there, {list} a file naming
    // the three books of {mixed}, one a line.
    QStringList withBooks(QStringList arguments)
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.filePath(QStringLiteral("mixed"))); // the folder itself made again too
        const QString mixed = m_dir.filePath(QStringLiteral("mixed"));
        for (const auto &[fixture, name] : {std::pair{"hidden_third_sheet.xls", "mixed/a.xls"},
                                            std::pair{"zero_bytes.xls", "mixed/b.xls"},
                                            std::pair{"hidden_third_sheet.xls", "mixed/c.xls"},
                                            std::pair{"visible_hidden_veryhidden.xls", "model.xls"}}) {
            const QString path = m_dir.filePath(QLatin1String(name));
            if (!QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/") + QLatin1String(fixture), path))
                qFatal("cannot copy the fixture %s", fixture);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        }
        QFile list(m_dir.filePath(QStringLiteral("books.txt")));
        if (list.open(QIODevice::WriteOnly))
            list.write(QStringLiteral("%1/a.xls\n%1/b.xls\n%1/c.xls\n").arg(mixed).toUtf8());
        for (QString &argument : arguments)
            argument.replace(QStringLiteral("{mixed}"), mixed)
                .replace(QStringLiteral("{model}"), m_dir.filePath(QStringLiteral("model.xls")))
                .replace(QStringLiteral("{new}"), m_dir.filePath(QStringLiteral("new.xls")))
                .replace(QStringLiteral("{list}"), list.fileName());
        return arguments;
    }

    // A move loses no sheet whatever stands in its way: a target that cannot
    // be written; "two" books that are one file make a move within the book.
    void movesNeverLoseSheets()
    {
        const QString source = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        const QString folder = m_dir.filePath(QStringLiteral("locked"));
        QDir().mkpath(folder);
        const QString locked = folder + QStringLiteral("/page_breaks_manual.xls");
        QFile::remove(locked);
        QVERIFY(QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/page_breaks_manual.xls"), locked));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        QByteArray sourceBefore = fileBytes(source);
        const QByteArray lockedBefore = fileBytes(locked);
        Run run = runBatch({QStringLiteral("move"), source, QStringLiteral("Sheet1"), QStringLiteral("--to"), locked});
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(run.status, 1);
        QCOMPARE(fileBytes(source), sourceBefore);
        QCOMPARE(fileBytes(locked), lockedBefore);

        const QString link = m_dir.filePath(QStringLiteral("link.xls"));
        QFile::remove(link);
        QVERIFY(QFile::link(source, link));
        run = runBatch({QStringLiteral("move"), link, QStringLiteral("Sheet1"), QStringLiteral("--to"),
                        m_dir.filePath(QStringLiteral("locked/../hidden_third_sheet.xls")), QStringLiteral("--after"),
                        QStringLiteral("Sheet4")});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(oracleSheets(source).last().first, QStringLiteral("Sheet1"));
        QVERIFY(QFileInfo(link).isSymLink());

        const QString other = copyOf(QStringLiteral("page_breaks_manual.xls"));
        // A copy the office makes says so.
        const QString pivot = copyOf(QStringLiteral("pivot_cache_extra_sheet.xls"));
        run = runBatch({QStringLiteral("copy"), pivot, QStringLiteral("Pivot"), QStringLiteral("--to"), other,
                        QStringLiteral("--allow-loss")});
        QVERIFY2(run.err.contains(QStringLiteral("LibreOffice でｺﾋﾟｰします: Pivot")), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(tst_quirnbatch)
#include "tst_quirnbatch.moc"
