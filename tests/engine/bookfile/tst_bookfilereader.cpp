// What the book file reads from the real fixtures, checked against the facts
// of manifest.json (the records as a separate reader saw them), and how it
// meets files that are not readable books.

#include "BookFile.h"
#include "HeaderFooterText.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace quirn;

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(QUIRN_FIXTURES_DIR "/") + name;
}

QJsonArray manifestFiles()
{
    QFile f(fixture(QStringLiteral("manifest.json")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("files")).toArray();
}

QString kindText(SheetKind kind)
{
    switch (kind) {
    case SheetKind::Worksheet: return QStringLiteral("worksheet");
    case SheetKind::Chart: return QStringLiteral("chart");
    case SheetKind::MacroSheet: return QStringLiteral("macro");
    case SheetKind::DialogSheet: return QStringLiteral("dialog");
    case SheetKind::Other: return QStringLiteral("other");
    }
    return {};
}

QList<int> ints(const QJsonValue &v)
{
    QList<int> out;
    for (const QJsonValue &x : v.toArray())
        out.append(x.toInt());
    return out;
}

int vbaKind(const QString &kind)
{
    if (kind == QLatin1String("class")) return 2;
    if (kind == QLatin1String("form")) return 3;
    if (kind == QLatin1String("document")) return 100;
    return 1;
}

// One of the edits, chosen by the round: on damaged records each either
// works or is refused.
BookFileError editSomehow(BookFile *book, int round)
{
    switch (round / 5 % 5) {
    case 0:
        return book->moveSheets({0}, book->sheetCount());
    case 1:
        return book->renameSheet(0, QStringLiteral("改名"));
    case 2: {
        PageSetupFacts ps = book->pageSetup(0);
        ps.leftMargin += 1;
        ps.centerHeader = QStringLiteral("&P");
        ps.printArea = QStringLiteral("$A$1:$B$2");
        return book->setPageSetup(0, ps);
    }
    case 3:
        return book->duplicateSheet(0, QStringLiteral("複製"), 1);
    default:
        return book->deleteSheets({book->sheetCount() - 1});
    }
}

} // namespace

class TestBookFileReader : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatTheRecordsSay_data();
    void readsWhatTheRecordsSay();
    void lastCellWidensToItsMergedArea();
    void readsEncryptedBooksWithTheirPassword();
    void refusesWhatIsNotAReadableBook_data();
    void refusesWhatIsNotAReadableBook();
    void survivesDamagedCopiesOfEveryFixture();
    void splitsAndJoinsHeaderSections();
};

void TestBookFileReader::readsWhatTheRecordsSay_data()
{
    QTest::addColumn<QJsonObject>("entry");
    const QJsonArray files = manifestFiles();
    QVERIFY(!files.isEmpty());
    for (const QJsonValue &v : files) {
        const QJsonObject entry = v.toObject();
        const QJsonObject raw = entry.value(QStringLiteral("raw")).toObject();
        if (raw.value(QStringLiteral("biff")).toString() == QLatin1String("BIFF8")
            && !raw.value(QStringLiteral("sheets")).toArray().isEmpty())
            QTest::newRow(qPrintable(entry.value(QStringLiteral("file")).toString())) << entry;
    }
}

void TestBookFileReader::readsWhatTheRecordsSay()
{
    QFETCH(QJsonObject, entry);
    const QJsonObject raw = entry.value(QStringLiteral("raw")).toObject();
    BookFile book;
    const BookFileError error = book.open(fixture(entry.value(QStringLiteral("file")).toString()));
    QVERIFY2(!error, qPrintable(error.message));

    const QJsonArray sheets = raw.value(QStringLiteral("sheets")).toArray();
    QCOMPARE(book.sheetCount(), sheets.size());
    for (int i = 0; i < sheets.size(); ++i) {
        const QJsonObject r = sheets[i].toObject();
        const SheetFacts s = book.sheet(i);
        const QByteArray where = s.name.toUtf8();
        QCOMPARE(s.name, r.value(QStringLiteral("name")).toString());
        QCOMPARE(kindText(s.kind), r.value(QStringLiteral("kind")).toString());
        QCOMPARE(int(s.visibility), r.value(QStringLiteral("hsState")).toInt());
        QCOMPARE(s.contentsProtected, r.value(QStringLiteral("protect")).toBool());
        QCOMPARE(s.embeddedCharts, r.value(QStringLiteral("embedded_charts")).toInt());
        QCOMPARE(s.rowBreaks, ints(r.value(QStringLiteral("hpagebreaks"))));
        QCOMPARE(s.columnBreaks, ints(r.value(QStringLiteral("vpagebreaks"))));

        const QJsonObject dims = r.value(QStringLiteral("dimensions")).toObject();
        if (s.kind == SheetKind::Chart) {
            QCOMPARE(s.lastRow, 0);
        } else if (r.value(QStringLiteral("merged_count")).toInt() == 0) {
            QCOMPARE(s.lastRow, qMax(1, dims.value(QStringLiteral("last_row_plus1")).toInt()));
            QCOMPARE(s.lastColumn, qMax(1, dims.value(QStringLiteral("last_col_plus1")).toInt()));
        }

        const PageSetupFacts &ps = s.pageSetup;
        const QJsonObject setup = r.value(QStringLiteral("setup")).toObject();
        if (!setup.isEmpty()) {
            QCOMPARE(ps.hasPrinterSettings, !setup.value(QStringLiteral("no_printer_settings")).toBool());
            if (ps.hasPrinterSettings)
                QCOMPARE(ps.paperSize, setup.value(QStringLiteral("paper")).toInt());
            const QJsonValue landscape = setup.value(QStringLiteral("landscape"));
            if (!landscape.isNull())
                QCOMPARE(ps.orientation, landscape.toBool() ? 2 : 1);
            QCOMPARE(ps.fitToPagesWide, setup.value(QStringLiteral("fit_width")).toInt());
            QCOMPARE(ps.fitToPagesTall, setup.value(QStringLiteral("fit_height")).toInt());
            QCOMPARE(qRound(ps.headerMargin / 72.0 * 10000), qRound(setup.value(QStringLiteral("header_margin_in")).toDouble() * 10000));
        }
        QCOMPARE(ps.fitToPage, r.value(QStringLiteral("fit_to_page")).toBool());
        const QJsonObject margins = r.value(QStringLiteral("margins")).toObject();
        const std::pair<const char *, double> sides[] = {
            {"left", ps.leftMargin}, {"right", ps.rightMargin}, {"top", ps.topMargin}, {"bottom", ps.bottomMargin}};
        for (const auto &[side, points] : sides)
            if (margins.contains(QLatin1String(side)))
                QVERIFY2(qAbs(points - margins.value(QLatin1String(side)).toDouble() * 72) < 0.01, where);
        const QString header = r.value(QStringLiteral("header")).toString();
        QCOMPARE((HeaderFooterText{ps.leftHeader, ps.centerHeader, ps.rightHeader}).join(),
                 HeaderFooterText::split(header).join());
        const QString footer = r.value(QStringLiteral("footer")).toString();
        QCOMPARE((HeaderFooterText{ps.leftFooter, ps.centerFooter, ps.rightFooter}).join(),
                 HeaderFooterText::split(footer).join());
    }

    const QJsonObject wb = raw.value(QStringLiteral("workbook")).toObject();
    QCOMPARE(book.structureProtected(), wb.value(QStringLiteral("protect_structure")).toBool());
    QCOMPARE(book.windowsProtected(), wb.value(QStringLiteral("protect_windows")).toBool());
    for (const QJsonValue &v : wb.value(QStringLiteral("names")).toArray()) {
        const QJsonObject n = v.toObject();
        const int tab = n.value(QStringLiteral("sheet_index")).toInt() - 1;
        const PageSetupFacts ps = book.pageSetup(tab);
        const QString builtin = n.value(QStringLiteral("builtin")).toString();
        if (builtin == QLatin1String("Print_Titles"))
            QVERIFY(!ps.printTitleRows.isEmpty() || !ps.printTitleColumns.isEmpty());
        // A print area whose formula is #REF! gives no area, as in Excel.
        if (builtin == QLatin1String("Print_Area") && entry.value(QStringLiteral("file")).toString() != QLatin1String("chartsheet_single_vba_doc.xls"))
            QVERIFY(ps.printArea.startsWith(QLatin1Char('$')));
    }

    const QJsonObject vba = raw.value(QStringLiteral("vba")).toObject();
    QCOMPARE(book.hasVbaProject(), vba.value(QStringLiteral("storage")).toBool());
    QList<VbaModuleFacts> modules = book.vbaModules();
    const QJsonArray expected = vba.value(QStringLiteral("modules")).toArray();
    QCOMPARE(modules.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(modules[i].name, expected[i].toObject().value(QStringLiteral("name")).toString());
        QCOMPARE(modules[i].kind, vbaKind(expected[i].toObject().value(QStringLiteral("kind")).toString()));
    }
}

void TestBookFileReader::lastCellWidensToItsMergedArea()
{
    // The used range ends inside a merged area: Excel reports the area's corner.
    BookFile block, row;
    QVERIFY(!block.open(fixture(QStringLiteral("last_cell_merged_block.xls"))));
    QCOMPARE(std::pair(block.sheet(0).lastRow, block.sheet(0).lastColumn), std::pair(4, 4));
    QVERIFY(!row.open(fixture(QStringLiteral("last_cell_merged_row.xls"))));
    QCOMPARE(std::pair(row.sheet(0).lastRow, row.sheet(0).lastColumn), std::pair(7, 3));
    // Print titles given as Excel gives them.
    BookFile titles;
    QVERIFY(!titles.open(fixture(QStringLiteral("protected_sheet_print_titles.xls"))));
    QCOMPARE(titles.pageSetup(0).printArea, QStringLiteral("$A$1:$I$116"));
    QCOMPARE(titles.pageSetup(0).printTitleRows, QStringLiteral("$1:$7"));
    QCOMPARE(titles.pageSetup(0).orientation, 2);
    QCOMPARE(titles.pageSetup(0).paperSize, 9);
    QCOMPARE(titles.pageSetup(0).rightHeader, QStringLiteral("&\"Courier New,Bold\"Sheet &P of &N"));
}

void TestBookFileReader::readsEncryptedBooksWithTheirPassword()
{
    BookFile book;
    BookFileError e = book.open(fixture(QStringLiteral("encrypted_rc4_password.xls")));
    QCOMPARE(e.code, BookFileError::Code::PasswordRequired);
    QVERIFY(!e.message.isEmpty());
    e = book.open(fixture(QStringLiteral("encrypted_rc4_password.xls")), QStringLiteral("wrong"));
    QCOMPARE(e.code, BookFileError::Code::WrongPassword);
    QVERIFY(!book.isOpen());

    const QJsonArray files = manifestFiles();
    for (const QJsonValue &v : files) {
        const QJsonObject entry = v.toObject();
        if (entry.value(QStringLiteral("raw")).toObject().value(QStringLiteral("encryption")).toString().isEmpty())
            continue;
        const QString password = entry.value(QStringLiteral("password")).toString();
        const QJsonObject lo = entry.value(password.isEmpty() ? QStringLiteral("libreoffice")
                                                               : QStringLiteral("libreoffice_with_password")).toObject();
        const QString file = entry.value(QStringLiteral("file")).toString();
        e = book.open(fixture(file), password);
        QVERIFY2(!e, qPrintable(file + e.message));
        QVERIFY(book.isEncrypted());
        const QJsonArray sheets = lo.value(QStringLiteral("sheets")).toArray();
        QCOMPARE(book.sheetCount(), sheets.size());
        for (int i = 0; i < sheets.size(); ++i) {
            QCOMPARE(book.sheet(i).name, sheets[i].toObject().value(QStringLiteral("name")).toString());
            QCOMPARE(book.sheet(i).visibility == SheetVisibility::Visible, sheets[i].toObject().value(QStringLiteral("IsVisible")).toBool());
            QCOMPARE(book.sheet(i).contentsProtected, sheets[i].toObject().value(QStringLiteral("isProtected")).toBool());
        }
        if (lo.contains(QStringLiteral("doc_isProtected")))
            QCOMPARE(book.structureProtected() || book.windowsProtected(), lo.value(QStringLiteral("doc_isProtected")).toBool());
    }
}

void TestBookFileReader::refusesWhatIsNotAReadableBook_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<BookFileError::Code>("code");
    using C = BookFileError::Code;
    QTest::newRow("corrupt sector table") << "corrupt_fuzz_msat.xls" << C::Damaged;
    QTest::newRow("cut off") << "truncated_simplemacro.xls" << C::Damaged;
    QTest::newRow("text") << "too_small_text.xls" << C::NotAWorkbook;
    QTest::newRow("bitmap") << "bmp_renamed.xls" << C::NotAWorkbook;
    QTest::newRow("zero bytes") << "zero_bytes.xls" << C::NotAWorkbook;
    QTest::newRow("Excel 95") << "biff5_visibility.xls" << C::OldFormat;
    QTest::newRow("Excel 4") << "biff4_single_sheet.xls" << C::OldFormat;
    QTest::newRow("missing") << "no_such_book.xls" << C::NotFound;
    QTest::newRow("folder") << "." << C::NotReadable;
}

void TestBookFileReader::refusesWhatIsNotAReadableBook()
{
    QFETCH(QString, file);
    QFETCH(BookFileError::Code, code);
    BookFile book;
    const BookFileError e = book.open(fixture(file));
    QCOMPARE(e.code, code);
    QVERIFY(!e.message.isEmpty());
    QVERIFY(!book.isOpen());
    QCOMPARE(book.sheetCount(), 0);
}

void TestBookFileReader::survivesDamagedCopiesOfEveryFixture()
{
    // Every fixture with bytes overwritten, cut short or stretched, read
    // again and again: each read ends in facts or an error, never a crash.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QRandomGenerator random(20261207);
    const QStringList names = QDir(QStringLiteral(QUIRN_FIXTURES_DIR)).entryList({QStringLiteral("*.xls")}, QDir::Files);
    QVERIFY(names.size() > 40);
    int opened = 0, refused = 0;
    for (const QString &name : names) {
        QFile f(fixture(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray original = f.readAll();
        const QString password = name.contains(QLatin1String("rc4")) ? QStringLiteral("password")
                               : name.contains(QLatin1String("freedom")) ? QStringLiteral("freedom") : QString();
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = original;
            if (!bytes.isEmpty()) {
                const int flips = 1 + int(random.bounded(8));
                for (int k = 0; k < flips; ++k) {
                    // Most damage near the front, where the directories and the globals live.
                    const qsizetype span = random.bounded(4) == 0 ? bytes.size() : qMin<qsizetype>(bytes.size(), 4096);
                    bytes[random.bounded(span)] = char(random.bounded(256));
                }
                if (round % 25 == 0)
                    bytes.truncate(random.bounded(bytes.size()));
            }
            const QString path = dir.filePath(QStringLiteral("m.xls"));
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(bytes);
            out.close();
            BookFile book;
            const BookFileError e = book.open(path, password);
            if (e) {
                QVERIFY(!e.message.isEmpty());
                ++refused;
                continue;
            }
            ++opened;
            for (const SheetFacts &s : book.sheets()) {
                QVERIFY(s.lastRow >= 0 && s.lastRow <= 65536);
                QVERIFY(s.lastColumn >= 0 && s.lastColumn <= 256);
            }
            if (round % 5 == 0 && book.sheetCount() > 1 && !editSomehow(&book, round)) {
                // Whatever was read and edited is written so that it reads back.
                const QString saved = dir.filePath(QStringLiteral("saved.xls"));
                if (!book.saveAs(saved)) {
                    BookFile again;
                    const BookFileError e2 = again.open(saved, password);
                    QVERIFY2(!e2, qPrintable(name + QLatin1Char(' ') + e2.message));
                    QCOMPARE(again.sheetCount(), book.sheetCount());
                    QCOMPARE(again.sheet(0).name, book.sheet(0).name);
                }
            }
        }
    }
    qInfo("damaged copies: %d read, %d refused", opened, refused);
    QVERIFY(opened > 0);
    QVERIFY(refused > 0);
}

void TestBookFileReader::splitsAndJoinsHeaderSections()
{
    const auto h = HeaderFooterText::split(QStringLiteral("&L&\"Arial,Bold\"&8Left && more&CPage &P of &N&RRight"));
    QCOMPARE(h.left, QStringLiteral("&\"Arial,Bold\"&8Left && more"));
    QCOMPARE(h.center, QStringLiteral("Page &P of &N"));
    QCOMPARE(h.right, QStringLiteral("Right"));
    QCOMPARE(HeaderFooterText::split(QStringLiteral("no section")).center, QStringLiteral("no section"));
    QCOMPARE(h.join(), QStringLiteral("&L&\"Arial,Bold\"&8Left && more&CPage &P of &N&RRight"));
    QCOMPARE(HeaderFooterText::split(QStringLiteral("&&L stays")).center, QStringLiteral("&&L stays"));
}

QTEST_GUILESS_MAIN(TestBookFileReader)
#include "tst_bookfilereader.moc"
