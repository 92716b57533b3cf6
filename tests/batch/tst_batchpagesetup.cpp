// quirn-batch pagesetup, and combine's sheets for the office, run as a user runs them:
// a separate process without a display, on private copies of real books,
// the results read back by the test tree's record reader and by LibreOffice.

#include "RecordOracle.h"
#include "TestBooks.h"
#include "TestTool.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "BatchProcess.h"
#include "IsolatedStore.h"

// The runs' settings, office profiles and records are this test's own.
static IsolatedStore g_store;

namespace {

using Run = BatchRun;

QByteArray fileBytes(const QString &path)
{
    return TestBooks::Bytes(path);
}

// What the record reader of the test tree sees of one sheet.
struct SheetRead
{
    int state = -1;      // 0 visible, 1 hidden, 2 very hidden
    double left = -1;    // margins in inches, -1 when the sheet has no record of it
    double top = -1;
    double bottom = -1;
    int fitHeight = -1;
};

QMap<QString, SheetRead> readSheets(const QString &path, QStringList *order = nullptr)
{
    QMap<QString, SheetRead> sheets;
    for (const QJsonValue &value : RecordOracle::Scan(path).value(QStringLiteral("sheets")).toArray()) {
        const QJsonObject sheet = value.toObject();
        const QJsonObject margins = sheet.value(QStringLiteral("margins")).toObject();
        SheetRead read;
        read.state = sheet.value(QStringLiteral("hsState")).toInt();
        read.left = margins.value(QStringLiteral("left")).toDouble(-1);
        read.top = margins.value(QStringLiteral("top")).toDouble(-1);
        read.bottom = margins.value(QStringLiteral("bottom")).toDouble(-1);
        read.fitHeight = sheet.value(QStringLiteral("setup")).toObject().value(QStringLiteral("fit_height")).toInt(-1);
        const QString name = sheet.value(QStringLiteral("name")).toString();
        sheets.insert(name, read);
        if (order)
            *order << name;
    }
    return sheets;
}

// The left margin of each sheet as LibreOffice reads the book (its page
// style, through a flat document conversion), by sheet name.
QMap<QString, QString> officeLeftMargins(const QString &path)
{
    QTemporaryDir work;
    if (!TestTool::Run(QStringLiteral("soffice"),
                       {QStringLiteral("-env:UserInstallation=file://") + work.filePath(QStringLiteral("profile")),
                        QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                        QStringLiteral("fods"), QStringLiteral("--outdir"), work.path(), path},
                       180))
        return {};
    const QString fods = QString::fromUtf8(
        fileBytes(work.filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".fods"))));
    QMap<QString, QString> layoutMargins; // page layout -> left margin
    const QRegularExpression layout(QStringLiteral("<style:page-layout style:name=\"([^\"]+)\"[^>]*>\\s*"
                                                   "<style:page-layout-properties[^>]*fo:margin-left=\"([^\"]+)\""));
    for (const auto &m : layout.globalMatch(fods))
        layoutMargins.insert(m.captured(1), m.captured(2));
    QMap<QString, QString> masterLayouts; // master page -> page layout
    const QRegularExpression master(QStringLiteral("<style:master-page style:name=\"([^\"]+)\"[^>]*style:page-layout-name=\"([^\"]+)\""));
    for (const auto &m : master.globalMatch(fods))
        masterLayouts.insert(m.captured(1), m.captured(2));
    QMap<QString, QString> tableMasters; // table style -> master page
    const QRegularExpression tableStyle(QStringLiteral("<style:style style:name=\"([^\"]+)\" style:family=\"table\" style:master-page-name=\"([^\"]+)\""));
    for (const auto &m : tableStyle.globalMatch(fods))
        tableMasters.insert(m.captured(1), m.captured(2));
    QMap<QString, QString> margins;
    const QRegularExpression table(QStringLiteral("<table:table table:name=\"([^\"]+)\" table:style-name=\"([^\"]+)\""));
    for (const auto &m : table.globalMatch(fods))
        margins.insert(m.captured(1), layoutMargins.value(masterLayouts.value(tableMasters.value(m.captured(2)))));
    return margins;
}

// The book's VBA project as the record reader sees it (modules and their hashes).
QByteArray vbaProject(const QString &path)
{
    return QJsonDocument(RecordOracle::Scan(path).value(QStringLiteral("vba")).toObject()).toJson();
}

} // namespace

class tst_batchpagesetup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString copyOf(const QString &fixture, const QString &folder = QString())
    {
        const QString target = TestBooks::Copy(folder.isEmpty() ? m_dir.path() : m_dir.filePath(folder), fixture);
        if (target.isEmpty())
            qFatal("cannot copy the fixture %s", qPrintable(fixture));
        return target;
    }

    // The model of most cases: margins 0.25 in (bottom 0.5 in), one page wide.
    QString model() { return copyOf(QStringLiteral("fit_to_pages_spaces.xls")) + QStringLiteral(":Page 1"); }

private slots:
    void initTestCase() { QVERIFY(RecordOracle::Available()); }

    void usageErrorsExitTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no model") << QStringList{QStringLiteral("pagesetup"), QStringLiteral("a.xls")};
        QTest::newRow("model without its sheet")
            << QStringList{QStringLiteral("pagesetup"), QStringLiteral("--from"), QStringLiteral("a.xls"), QStringLiteral("b.xls")};
        QTest::newRow("no book") << QStringList{QStringLiteral("pagesetup"), QStringLiteral("--from"), QStringLiteral("a.xls:S")};
        QTest::newRow("sheets of a folder")
            << QStringList{QStringLiteral("pagesetup"), QStringLiteral("--from"), QStringLiteral("a.xls:S"), QStringLiteral("DIR:Sheet1")};
        QTest::newRow("flag of another verb")
            << QStringList{QStringLiteral("pagesetup"), QStringLiteral("--force"), QStringLiteral("--from"), QStringLiteral("a.xls:S"), QStringLiteral("b.xls")};
    }

    void usageErrorsExitTwo()
    {
        QFETCH(QStringList, arguments);
        arguments.replaceInStrings(QStringLiteral("DIR"), m_dir.path());
        const Run run = runBatch(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith(QStringLiteral("quirn-batch: ")), qPrintable(run.err));
        QVERIFY(!runBatch({QStringLiteral("pagesetup"), QStringLiteral("--help")}).status);
    }

    // Every sheet of one book (hidden and very hidden ones staying so), the
    // sheets named of another; read back by the records and by the office.
    void appliesTheModelToWholeBooksAndNamedSheets()
    {
        const QString whole = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
        const QString named = copyOf(QStringLiteral("page_margins_named_spaces.xls"));
        const Run run = runBatch({QStringLiteral("pagesetup"), QStringLiteral("--from"), model(), whole,
                                  named + QStringLiteral(":Narrow,Normal")});
        QVERIFY2(run.status == 0, qPrintable(run.err));

        QStringList order;
        const QMap<QString, SheetRead> sheets = readSheets(whole, &order);
        QCOMPARE(order, (QStringList{QStringLiteral("Visible"), QStringLiteral("Hidden"), QStringLiteral("VeryHidden")}));
        QCOMPARE(sheets.value(QStringLiteral("Hidden")).state, 1);
        QCOMPARE(sheets.value(QStringLiteral("VeryHidden")).state, 2);
        for (const SheetRead &sheet : sheets) {
            QCOMPARE(sheet.left, 0.25);
            QCOMPARE(sheet.bottom, 0.5);
            QCOMPARE(sheet.fitHeight, 0);
        }
        const QMap<QString, SheetRead> margins = readSheets(named);
        QCOMPARE(margins.value(QStringLiteral("Narrow")).top, 0.25);
        QCOMPARE(margins.value(QStringLiteral("Normal")).left, 0.25);
        QCOMPARE(margins.value(QStringLiteral("Wide")).left, 1.0);

        const QMap<QString, QString> office = officeLeftMargins(named);
        QCOMPARE(office.value(QStringLiteral("Normal")), QStringLiteral("0.25in"));
        QCOMPARE(office.value(QStringLiteral("Wide")), QStringLiteral("1in"));
    }

    // A folder stands for its books; a chart sheet takes a worksheet's setup
    // and a chart sheet's setup goes to worksheets; macro and dialog sheets
    // are said and left out; the book's macros stay.
    void foldersChartModelsAndSheetsLeftOut()
    {
        const QString kinds = copyOf(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls"), QStringLiteral("folder"));
        copyOf(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("folder"));
        const QByteArray vbaBefore = vbaProject(kinds);
        Run run = runBatch({QStringLiteral("pagesetup"), QStringLiteral("--from"), model(), m_dir.filePath(QStringLiteral("folder"))});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls: Macro1: ")), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("Dialog1: ")), qPrintable(run.err));
        QMap<QString, SheetRead> sheets = readSheets(kinds);
        QCOMPARE(sheets.value(QStringLiteral("Sheet1")).left, 0.25);
        QCOMPARE(sheets.value(QStringLiteral("Chart1")).left, 0.25);
        QCOMPARE(sheets.value(QStringLiteral("Macro1")).left, -1.0);
        QCOMPARE(vbaProject(kinds), vbaBefore);
        QCOMPARE(readSheets(m_dir.filePath(QStringLiteral("folder/hidden_third_sheet.xls"))).value(QStringLiteral("Sheet3")).left, 0.25);

        // The chart sheet as the model: its margins go to the worksheets.
        const QString target = copyOf(QStringLiteral("page_margins_named_spaces.xls"));
        run = runBatch({QStringLiteral("pagesetup"), QStringLiteral("--from"), copyOf(QStringLiteral("chartsheet_data_chart.xls")) + QStringLiteral(":Chart1"), target});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        sheets = readSheets(target);
        QCOMPARE(sheets.value(QStringLiteral("Wide")).left, 0.7);
        QCOMPARE(sheets.value(QStringLiteral("1 Inch HF")).top, 0.75);
    }

    void damagedBookAmongGoodOnes()
    {
        const QString good = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
        const QString empty = copyOf(QStringLiteral("zero_bytes.xls"));
        const QString truncated = copyOf(QStringLiteral("truncated_simplemacro.xls"));
        const QString alsoGood = copyOf(QStringLiteral("japanese_sheet_names.xls"));
        const QByteArray truncatedBefore = fileBytes(truncated);
        const Run run = runBatch({QStringLiteral("pagesetup"), QStringLiteral("--from"), model(), good, empty,
                                  truncated, m_dir.filePath(QStringLiteral("missing.xls")), alsoGood});
        QCOMPARE(run.status, 1);
        for (const char *name : {"zero_bytes.xls: ", "truncated_simplemacro.xls: ", "missing.xls: "})
            QVERIFY2(run.err.contains(QLatin1String(name)), qPrintable(run.err));
        QCOMPARE(fileBytes(empty), QByteArray());
        QCOMPARE(fileBytes(truncated), truncatedBefore);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("missing.xls"))));
        QCOMPARE(readSheets(good).value(QStringLiteral("Visible")).left, 0.25);
        for (const SheetRead &sheet : readSheets(alsoGood))
            QCOMPARE(sheet.left, 0.25);
    }

    // A book any of whose named sheets cannot take the setup, or that may not
    // be written, is left byte for byte as it was; the sheet is named.
    void refusalsLeaveTheBookAsItWas_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("sheets");
        QTest::addColumn<QString>("said");
        QTest::newRow("missing sheet") << "page_margins_named_spaces.xls" << "Narrow,Nothing" << "Nothing: ";
        QTest::newRow("macro sheet") << "kinds_ws_chart_xlm_dialog_vba.xls" << "Sheet1,Macro1" << "Macro1: ";
        QTest::newRow("hidden and protected") << "hidden_and_protected_sheets.xls" << "Formulated" << "Formulated: ";
        QTest::newRow("read-only book") << "page_margins_named_spaces.xls" << "" << "読み取り専用";
    }

    void refusalsLeaveTheBookAsItWas()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, sheets);
        QFETCH(QString, said);
        const QString book = copyOf(fixture);
        if (sheets.isEmpty())
            QFile::setPermissions(book, QFile::ReadOwner);
        const QByteArray before = fileBytes(book);
        const Run run = runBatch({QStringLiteral("pagesetup"), QStringLiteral("--from"), model(),
                                  sheets.isEmpty() ? book : book + u':' + sheets});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(fixture + QStringLiteral(": ") + said)
                     || run.err.contains(fixture + QStringLiteral(": \"") + fixture + QStringLiteral("\" は") + said),
                 qPrintable(run.err));
        QCOMPARE(fileBytes(book), before);
        QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner);
    }

    void modelThatCannotBeReadChangesNothing_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("no such sheet") << "fit_to_pages_spaces.xls:Nothing";
        QTest::newRow("macro sheet") << "kinds_ws_chart_xlm_dialog_vba.xls:Macro1";
        QTest::newRow("damaged book") << "zero_bytes.xls:Sheet1";
    }

    void modelThatCannotBeReadChangesNothing()
    {
        QFETCH(QString, from);
        const QString target = copyOf(QStringLiteral("page_margins_named_spaces.xls"));
        const QByteArray before = fileBytes(target);
        const QString fixture = from.section(u':', 0, 0);
        const Run run = runBatch({QStringLiteral("pagesetup"), QStringLiteral("--from"),
                                  copyOf(fixture) + u':' + from.section(u':', 1), target});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(fixture + QStringLiteral(": ")), qPrintable(run.err));
        QCOMPARE(fileBytes(target), before);
    }

    // Sheets the records cannot carry go through the office, after their
    // book's other sheets; a save that would lose something (a dialog sheet
    // becoming a worksheet) is refused without --allow-loss,
    // and what the records carried stays saved.
    void combineThroughTheOfficeOnlyWithAllowLoss()
    {
        const QString plain = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        const QString kinds = copyOf(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls"));
        const QString refused = m_dir.filePath(QStringLiteral("refused.xls"));
        Run run = runBatch({QStringLiteral("combine"), QStringLiteral("--into"), refused, plain, kinds});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("refused.xls: 保存で失われるもの: ")), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("--allow-loss")), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("ｺﾋﾟｰできませんでした: kinds_ws_chart_xlm_dialog_vba.xls: Dialog1")), qPrintable(run.err));
        QStringList order;
        readSheets(refused, &order);
        QCOMPARE(order, (QStringList{QStringLiteral("Sheet1"), QStringLiteral("Sheet2"), QStringLiteral("Sheet3"), QStringLiteral("Sheet4"),
                                     QStringLiteral("Sheet1 (2)"), QStringLiteral("Chart1")}));

        const QString given = m_dir.filePath(QStringLiteral("given.xls"));
        run = runBatch({QStringLiteral("combine"), QStringLiteral("--allow-loss"), QStringLiteral("--into"), given, kinds, plain});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("given.xls: 保存で失われるもの: ")), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("Macro1 (Excel 4.0 マクロ シート)")), qPrintable(run.err));
        order.clear();
        const QMap<QString, SheetRead> sheets = readSheets(given, &order);
        // The first book's sheets first, though the records' copies came in before them.
        QCOMPARE(order, (QStringList{QStringLiteral("Sheet1"), QStringLiteral("Chart1"), QStringLiteral("Dialog1"),
                                     QStringLiteral("Sheet1 (2)"), QStringLiteral("Sheet2"), QStringLiteral("Sheet3"),
                                     QStringLiteral("Sheet4")}));
        QCOMPARE(sheets.value(QStringLiteral("Sheet3")).state, 1);
        QCOMPARE(officeLeftMargins(given).keys().size(), 7);
    }
};

QTEST_GUILESS_MAIN(tst_batchpagesetup)
#include "tst_batchpagesetup.moc"
