#include "OfficeTestEnvironment.h"

#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeProcess.h"

#include <QDir>
#include <QProcess>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using Kind = OfficeError::Kind;

namespace {

int pdfPageCount(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(file.readAll());
    return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
}

// The text of a PDF, headers and footers included. pdftotext (poppler-utils,
// installed by scripts/setup.sh) that cannot run or fails fails the test.
QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        QTest::qFail(qPrintable(QStringLiteral("pdftotext could not read %1: %2")
                                    .arg(path, process.errorString())),
                     __FILE__, __LINE__);
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

bool startsWithCompoundSignature(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
           && file.read(8) == QByteArray::fromHex("D0CF11E0A1B11AE1");
}

} // namespace

class tst_OfficeDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadsBooks_data();
    void loadsBooks();
    void rejectsBadInput_data();
    void rejectsBadInput();
    void opensOtherFormatsReadOnlyOnRequest();
    void comparesSheetNamesExactly();
    void refusalsAreErrors();
    void countsPagesLikeThePrintout();
    void findsLastUsedCellThroughMergedArea();
    void createsExcelLikeBook();
    void copiesAndMovesSheetsInExcelOrder();
    void importCarriesPageSetupAndHiddenState();
    void savesAtomicallyKeepingPermissions();
    void refusesToSaveOverReadOnlyFile();
    void handlesOddCharactersInPaths();
    void bookInUseElsewhereIsAnError();
    void exportsChosenSheetsAndRestoresTheBook();
    void handOverNeedsADisplay();

private:
    QString fixture(const QString &name) const { return m_environment.fixture(name); }

    QString copyOf(const QString &name)
    {
        const QString target = m_work.filePath(name);
        QFile::remove(target);
        QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/") + name, target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }

    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    OfficeProcess m_office;
};

void tst_OfficeDocument::initTestCase()
{
    QVERIFY(m_work.isValid());
    m_office.start();
}

void tst_OfficeDocument::loadsBooks_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<bool>("protectedBook");

    QTest::newRow("hidden sheet") << "hidden_third_sheet.xls" << QString()
                                  << QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet4"}
                                  << QStringList{"Sheet3"} << false;
    QTest::newRow("very hidden") << "visible_hidden_veryhidden.xls" << QString()
                                 << QStringList{"Visible", "Hidden", "VeryHidden"}
                                 << QStringList{"Hidden", "VeryHidden"} << false;
    QTest::newRow("japanese names")
        << "japanese_sheet_names.xls" << QString()
        << QStringList{"NoContainsJapanese", "日本語のみ", "sheet日本語", "日本語sheet", "sheet日本語sheet"}
        << QStringList() << false;
    QTest::newRow("structure protected, default password")
        << "wb_protected_default_password.xls" << QString()
        << QStringList{"Лист1", "Лист2", "Лист3"} << QStringList() << true;
    QTest::newRow("rc4 with password") << "encrypted_rc4_password.xls" << "password" << QStringList()
                                       << QStringList() << false;
    QTest::newRow("cryptoapi with password") << "encrypted_cryptoapi_freedom.xls" << "freedom"
                                             << QStringList() << QStringList() << false;
    QTest::newRow("macro sheet with Auto_Open") << "xlm_macro_autoopen.xls" << QString()
                                                << QStringList{"MyWB", "Macro1"} << QStringList()
                                                << false;
}

void tst_OfficeDocument::loadsBooks()
{
    QFETCH(QString, file);
    QFETCH(QString, password);
    QFETCH(QStringList, names);
    QFETCH(QStringList, hidden);
    QFETCH(bool, protectedBook);

    OfficeDocument::LoadOptions options;
    options.password = password;
    auto book = OfficeDocument::load(m_office, fixture(file), options);
    QCOMPARE(book->filterName(), QStringLiteral("MS Excel 97"));
    QVERIFY(!book->isReadOnly());
    QVERIFY(book->interactionRequests().isEmpty());
    QVERIFY(book->sheetCount() > 0);
    if (!names.isEmpty()) {
        QCOMPARE(book->sheetNames(), names);
        QCOMPARE(book->sheetCount(), names.size());
        for (const QString &name : names)
            QCOMPARE(book->isSheetVisible(name), !hidden.contains(name));
    }
    QCOMPARE(book->isProtected(), protectedBook);
    QVERIFY(!book->isModified());
}

void tst_OfficeDocument::rejectsBadInput_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("kind");

    QTest::newRow("zero bytes") << "zero_bytes.xls" << QString() << int(Kind::NotAWorkbook);
    QTest::newRow("short text") << "too_small_text.xls" << QString() << int(Kind::NotAWorkbook);
    QTest::newRow("bitmap") << "bmp_renamed.xls" << QString() << int(Kind::NotAWorkbook);
    QTest::newRow("fuzzed container") << "corrupt_fuzz_msat.xls" << QString() << int(Kind::DamagedFile);
    QTest::newRow("truncated") << "truncated_simplemacro.xls" << QString() << int(Kind::DamagedFile);
    QTest::newRow("excel 4") << "biff4_single_sheet.xls" << QString() << int(Kind::OtherFormat);
    QTest::newRow("excel 95") << "biff5_visibility.xls" << QString() << int(Kind::OtherFormat);
    QTest::newRow("xlsx named xls") << "xlsx_renamed_any_sheets.xls" << QString()
                                    << int(Kind::OtherFormat);
    QTest::newRow("rc4 without password") << "encrypted_rc4_password.xls" << QString()
                                          << int(Kind::PasswordRequired);
    QTest::newRow("rc4 wrong password") << "encrypted_rc4_password.xls" << "wrong"
                                        << int(Kind::WrongPassword);
    QTest::newRow("cryptoapi without password") << "encrypted_cryptoapi_freedom.xls" << QString()
                                                << int(Kind::PasswordRequired);
    QTest::newRow("cryptoapi wrong password") << "encrypted_cryptoapi_freedom.xls" << "password"
                                              << int(Kind::WrongPassword);
    QTest::newRow("missing") << "no_such_book.xls" << QString() << int(Kind::FileMissing);
    QTest::newRow("folder") << "." << QString() << int(Kind::NotAWorkbook);
}

void tst_OfficeDocument::rejectsBadInput()
{
    QFETCH(QString, file);
    QFETCH(QString, password);
    QFETCH(int, kind);

    OfficeDocument::LoadOptions options;
    options.password = password;
    try {
        auto book = OfficeDocument::load(m_office, fixture(file), options);
        QFAIL(qPrintable(QStringLiteral("loaded with %1 sheets").arg(book->sheetCount())));
    } catch (const OfficeError &e) {
        QCOMPARE(int(e.kind()), kind);
        QVERIFY(!e.message().isEmpty());
    }
    // The process is still there and serves the next book.
    QVERIFY(m_office.isAlive());
    auto good = OfficeDocument::load(m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    QCOMPARE(good->sheetCount(), 4);
}

void tst_OfficeDocument::opensOtherFormatsReadOnlyOnRequest()
{
    OfficeDocument::LoadOptions options;
    options.allowOtherFormats = true;

    auto old = OfficeDocument::load(m_office, fixture(QStringLiteral("biff5_visibility.xls")), options);
    QCOMPARE(old->filterName(), QStringLiteral("MS Excel 95"));
    QVERIFY(old->isReadOnly());
    QCOMPARE(old->sheetNames(), (QStringList{"Visible", "Hidden", "VeryHidden"}));
    QVERIFY(!old->isSheetVisible(QStringLiteral("Hidden")));

    auto xml = OfficeDocument::load(m_office, fixture(QStringLiteral("xlsx_renamed_any_sheets.xls")),
                                    options);
    QCOMPARE(xml->sheetCount(), 4);
    auto excel4 = OfficeDocument::load(m_office, fixture(QStringLiteral("biff4_single_sheet.xls")),
                                       options);
    QCOMPARE(excel4->sheetNames(), QStringList{"Sheet1"});

    const QString target = m_work.filePath(QStringLiteral("from_excel95.xls"));
    try {
        old->saveAs(target);
        QFAIL("a read-only book was saved");
    } catch (const OfficeError &e) {
        QCOMPARE(e.kind(), Kind::ReadOnly);
    }
    QVERIFY(!QFile::exists(target));

    // Other formats still never load silently as something else.
    QVERIFY_THROWS_EXCEPTION(OfficeError,
                             OfficeDocument::load(m_office, fixture(QStringLiteral("bmp_renamed.xls")),
                                                  options));
}

void tst_OfficeDocument::comparesSheetNamesExactly()
{
    auto book = OfficeDocument::load(m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    QCOMPARE(book->sheetIndex(QStringLiteral("Sheet2")), 1);
    QCOMPARE(book->sheetIndex(QStringLiteral("sheet2")), -1);
    QCOMPARE(book->sheetName(3), QStringLiteral("Sheet4"));
    QCOMPARE(book->sheetName(4), QString());
    try {
        book->isSheetVisible(QStringLiteral("SHEET1"));
        QFAIL("found a sheet by a name of another case");
    } catch (const OfficeError &e) {
        QCOMPARE(e.kind(), Kind::NoSuchSheet);
    }
    QVERIFY_THROWS_EXCEPTION(OfficeError, book->removeSheet(QStringLiteral("sheet1")));
    QCOMPARE(book->sheetCount(), 4);
}

void tst_OfficeDocument::refusalsAreErrors()
{
    auto book = OfficeDocument::load(m_office, fixture(QStringLiteral("visible_hidden_veryhidden.xls")));
    // The office would quietly keep the last visible sheet shown.
    try {
        book->setSheetVisible(QStringLiteral("Visible"), false);
        QFAIL("hid the last visible sheet");
    } catch (const OfficeError &e) {
        QCOMPARE(e.kind(), Kind::Refused);
    }
    QVERIFY(book->isSheetVisible(QStringLiteral("Visible")));

    QVERIFY_THROWS_EXCEPTION(OfficeError,
                             book->renameSheet(QStringLiteral("Hidden"), QStringLiteral("visible")));
    QVERIFY_THROWS_EXCEPTION(OfficeError,
                             book->renameSheet(QStringLiteral("Hidden"), QStringLiteral("a:b")));
    QCOMPARE(book->sheetName(1), QStringLiteral("Hidden"));

    book->renameSheet(QStringLiteral("Hidden"), QStringLiteral("隠し"));
    QCOMPARE(book->sheetName(1), QStringLiteral("隠し"));
    book->setSheetVisible(QStringLiteral("隠し"), true);
    QVERIFY(book->isSheetVisible(QStringLiteral("隠し")));
    QVERIFY(book->isModified());

    auto locked = OfficeDocument::load(m_office, fixture(QStringLiteral("wb_protected_default_password.xls")));
    QVERIFY_THROWS_EXCEPTION(OfficeError, locked->renameSheet(QStringLiteral("Лист2"),
                                                              QStringLiteral("Renamed")));
    QCOMPARE(locked->sheetName(1), QStringLiteral("Лист2"));
}

void tst_OfficeDocument::countsPagesLikeThePrintout()
{
    struct Case
    {
        QString file;
        QString sheet;
    };
    const QList<Case> cases{{"page_breaks_manual.xls", "Sheet1"},
                            {"page_setup_fit_print_area.xls", "Format"},
                            {"page_setup_fit_print_area.xls", "Format(Print)"},
                            {"hidden_third_sheet.xls", "Sheet2"},
                            {"protected_sheet_print_titles.xls", "customer"}};
    for (const Case &c : cases) {
        auto book = OfficeDocument::load(m_office, fixture(c.file));
        const int pages = book->pageCount(c.sheet);
        QVERIFY2(pages > 0, qPrintable(c.file));
        const QString pdf = m_work.filePath(QStringLiteral("count.pdf"));
        book->exportPdf({c.sheet}, pdf);
        QCOMPARE(pdfPageCount(pdf), pages);
    }
    auto titled = OfficeDocument::load(m_office, fixture(QStringLiteral("protected_sheet_print_titles.xls")));
    QCOMPARE(titled->pageCount(QStringLiteral("customer")), 5);

    // A hidden sheet is counted as it would print, and stays hidden.
    auto hidden = OfficeDocument::load(m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    QCOMPARE(hidden->pageCount(QStringLiteral("Sheet3")), 1);
    QVERIFY(!hidden->isSheetVisible(QStringLiteral("Sheet3")));
    QVERIFY_THROWS_EXCEPTION(OfficeError, hidden->pageCount(QStringLiteral("Missing")));
}

void tst_OfficeDocument::findsLastUsedCellThroughMergedArea()
{
    auto block = OfficeDocument::load(m_office, fixture(QStringLiteral("last_cell_merged_block.xls")));
    OfficeDocument::CellPosition last = block->lastUsedCell(QStringLiteral("Sheet1"));
    QCOMPARE(last.row, 4);
    QCOMPARE(last.column, 4);

    auto plain = OfficeDocument::load(m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    last = plain->lastUsedCell(QStringLiteral("Sheet2"));
    QCOMPARE(last.row, 10);
    QCOMPARE(last.column, 6);
    last = plain->lastUsedCell(QStringLiteral("Sheet4")); // empty sheet
    QCOMPARE(last.row, 1);
    QCOMPARE(last.column, 1);
}

void tst_OfficeDocument::createsExcelLikeBook()
{
    auto book = OfficeDocument::create(m_office, 3);
    QCOMPARE(book->sheetNames(), (QStringList{"Sheet1", "Sheet2", "Sheet3"}));
    QVERIFY(book->path().isEmpty());
    QVERIFY(!book->isModified());
    QVERIFY_THROWS_EXCEPTION(OfficeError, book->save());
    // Excel prints no header or footer on a new book (the office's default
    // would print the sheet name and "Page 1").
    const QString pdf = m_work.filePath(QStringLiteral("new.pdf"));
    book->exportPdf({QStringLiteral("Sheet1")}, pdf);
    QCOMPARE(pdfPageCount(pdf), 1);
    const QString text = pdfText(pdf);
    QVERIFY2(!text.contains(QStringLiteral("Sheet1")) && !text.contains(QStringLiteral("Page")),
             qPrintable(text));

    const QString target = m_work.filePath(QStringLiteral("new book.xls"));
    book->saveAs(target);
    QCOMPARE(book->path(), target);
    QVERIFY(startsWithCompoundSignature(target));
    book.reset();

    auto reloaded = OfficeDocument::load(m_office, target);
    QCOMPARE(reloaded->sheetNames(), (QStringList{"Sheet1", "Sheet2", "Sheet3"}));

    auto single = OfficeDocument::create(m_office, 1);
    QCOMPARE(single->sheetNames(), QStringList{"Sheet1"});
}

void tst_OfficeDocument::copiesAndMovesSheetsInExcelOrder()
{
    auto book = OfficeDocument::load(m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    book->copySheet(QStringLiteral("Sheet3"), QStringLiteral("Sheet3 (2)"), 4);
    QCOMPARE(book->sheetNames(),
             (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet4", "Sheet3 (2)"}));
    QVERIFY(!book->isSheetVisible(QStringLiteral("Sheet3 (2)")));

    // A clashing name (ignoring case) is refused and leaves no stray copy.
    QVERIFY_THROWS_EXCEPTION(OfficeError, book->copySheet(QStringLiteral("Sheet1"),
                                                          QStringLiteral("sheet2"), 0));
    QCOMPARE(book->sheetCount(), 5);

    book->moveSheets({"Sheet4", "Sheet1"}, QStringLiteral("Sheet2"), true);
    QCOMPARE(book->sheetNames(),
             (QStringList{"Sheet4", "Sheet1", "Sheet2", "Sheet3", "Sheet3 (2)"}));
    book->moveSheets({"Sheet1", "Sheet3"}, QStringLiteral("Sheet3 (2)"), false);
    QCOMPARE(book->sheetNames(),
             (QStringList{"Sheet4", "Sheet2", "Sheet3 (2)", "Sheet1", "Sheet3"}));
    QVERIFY(!book->isSheetVisible(QStringLiteral("Sheet3")));

    book->removeSheet(QStringLiteral("Sheet3 (2)"));
    QCOMPARE(book->sheetCount(), 4);
}

void tst_OfficeDocument::importCarriesPageSetupAndHiddenState()
{
    auto setup = OfficeDocument::load(m_office, fixture(QStringLiteral("page_setup_fit_print_area.xls")));
    auto titles = OfficeDocument::load(m_office, fixture(QStringLiteral("print_titles_rows_cols.xls")));
    auto fitted = OfficeDocument::load(m_office, fixture(QStringLiteral("protected_sheet_print_titles.xls")));
    auto hidden = OfficeDocument::load(m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    auto target = OfficeDocument::create(m_office, 1);

    QCOMPARE(target->importSheet(*setup, QStringLiteral("Format"), 1), QStringLiteral("Format"));
    target->importSheet(*setup, QStringLiteral("Format(Print)"), 2);
    target->importSheet(*titles, QStringLiteral("Sheet4"), 0);
    target->importSheet(*fitted, QStringLiteral("customer"), 1);
    target->importSheet(*hidden, QStringLiteral("Sheet3"), target->sheetCount());
    const QString clash = target->importSheet(*hidden, QStringLiteral("Sheet1"), target->sheetCount());
    QVERIFY(clash != QStringLiteral("Sheet1"));
    QCOMPARE(target->sheetNames(),
             (QStringList{"Sheet4", "customer", "Sheet1", "Format", "Format(Print)", "Sheet3", clash}));

    const auto verify = [&](OfficeDocument &book) {
        QCOMPARE(book.pageCount(QStringLiteral("Format")), setup->pageCount(QStringLiteral("Format")));
        QCOMPARE(book.pageCount(QStringLiteral("Format(Print)")),
                 setup->pageCount(QStringLiteral("Format(Print)")));
        QCOMPARE(book.pageCount(QStringLiteral("customer")), 5);
        QVERIFY(book.isSheetProtected(QStringLiteral("customer")));
        QVERIFY(!book.isSheetVisible(QStringLiteral("Sheet3")));
        QVERIFY(book.isSheetVisible(clash));
    };
    verify(*target);
    const QString pdf = m_work.filePath(QStringLiteral("titles.pdf"));
    target->exportPdf({QStringLiteral("Sheet4")}, pdf);
    titles->exportPdf({QStringLiteral("Sheet4")}, m_work.filePath(QStringLiteral("titles-source.pdf")));
    QCOMPARE(pdfPageCount(pdf), pdfPageCount(m_work.filePath(QStringLiteral("titles-source.pdf"))));

    // Header and footer texts and fields came along (page n of m).
    target->exportPdf({QStringLiteral("customer")}, pdf);
    const QString customerText = pdfText(pdf);
    QVERIFY2(customerText.contains(QStringLiteral("Sheet 1 of 5")), qPrintable(customerText.left(400)));
    target->exportPdf({QStringLiteral("Format")}, pdf);
    const QString formatText = pdfText(pdf);
    QVERIFY2(formatText.contains(QStringLiteral("Left Header")), qPrintable(formatText.left(400)));
    QVERIFY(formatText.contains(QStringLiteral("Center Footer")));

    const QString saved = m_work.filePath(QStringLiteral("imported.xls"));
    target->saveAs(saved);
    // The new book took its file's name: the file name field prints it.
    target->exportPdf({QStringLiteral("customer")}, pdf);
    QVERIFY(pdfText(pdf).contains(QStringLiteral("imported.xls")));
    target->renameSheet(QStringLiteral("Sheet1"), QStringLiteral("Renamed"));
    target->save();
    target->renameSheet(QStringLiteral("Renamed"), QStringLiteral("Sheet1"));
    target->save();
    auto reloaded = OfficeDocument::load(m_office, saved);
    verify(*reloaded);
}

void tst_OfficeDocument::savesAtomicallyKeepingPermissions()
{
    const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"));
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QFile::setPermissions(path, permissions);
    {
        auto book = OfficeDocument::load(m_office, path);
        book->renameSheet(QStringLiteral("Sheet2"), QStringLiteral("Renamed"));
        QVERIFY(book->isModified());
        book->save();
        QVERIFY(!book->isModified());
    }
    const QFile::Permissions bits(0x7077); // owner, group, other
    QCOMPARE(QFile::permissions(path) & bits, permissions & bits);
    QVERIFY(startsWithCompoundSignature(path));
    // Nothing but the book is left in the folder: no temporary file, no lock.
    const QStringList leftovers = QDir(m_work.path()).entryList(
        {QStringLiteral("*hidden_third_sheet*")}, QDir::Files | QDir::Hidden);
    QCOMPARE(leftovers, QStringList{"hidden_third_sheet.xls"});

    auto reloaded = OfficeDocument::load(m_office, path);
    QCOMPARE(reloaded->sheetNames(), (QStringList{"Sheet1", "Renamed", "Sheet3", "Sheet4"}));
    QVERIFY(!reloaded->isSheetVisible(QStringLiteral("Sheet3")));
}

void tst_OfficeDocument::refusesToSaveOverReadOnlyFile()
{
    const QString path = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
    QFile original(path);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    QFile::setPermissions(path, QFile::ReadOwner);

    auto book = OfficeDocument::load(m_office, path);
    book->renameSheet(QStringLiteral("Visible"), QStringLiteral("Changed"));
    try {
        book->save();
        QFAIL("saved over a read-only file");
    } catch (const OfficeError &e) {
        QCOMPARE(e.kind(), Kind::SaveFailed);
    }
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), before);

    // A folder that does not exist is an error too, not a crash.
    QVERIFY_THROWS_EXCEPTION(OfficeError,
                             book->saveAs(m_work.filePath(QStringLiteral("missing/dir/book.xls"))));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void tst_OfficeDocument::handlesOddCharactersInPaths()
{
    const QString folder = m_work.filePath(QStringLiteral("フォルダ #1 100%"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/日本語 ブック #2 %41;a.xls");
    QVERIFY(QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/japanese_sheet_names.xls"), path));
    {
        auto book = OfficeDocument::load(m_office, path);
        QCOMPARE(book->path(), path);
        QCOMPARE(book->sheetCount(), 5);
        book->renameSheet(QStringLiteral("日本語のみ"), QStringLiteral("名前 #&'中"));
        book->save();
        book->exportPdf({QStringLiteral("sheet日本語")}, folder + QStringLiteral("/出力 #.pdf"));
    }
    QVERIFY(QFile::exists(folder + QStringLiteral("/出力 #.pdf")));
    auto reloaded = OfficeDocument::load(m_office, path);
    QCOMPARE(reloaded->sheetName(1), QStringLiteral("名前 #&'中"));
}

void tst_OfficeDocument::bookInUseElsewhereIsAnError()
{
    const QString path = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
    // The lock another office user leaves beside the book.
    QFile lock(m_work.filePath(QStringLiteral(".~lock.visible_hidden_veryhidden.xls#")));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(",Someone Else,otherhost,07.12.2026 09:00,file:///home/someone/.config/libreoffice/4;\n");
    lock.close();

    try {
        auto book = OfficeDocument::load(m_office, path);
        QFAIL("opened a book that is in use");
    } catch (const OfficeError &e) {
        QCOMPARE(e.kind(), Kind::FileLocked);
    }
    QVERIFY(lock.exists()); // someone else's lock is left alone
    lock.remove();
    auto book = OfficeDocument::load(m_office, path);
    QCOMPARE(book->sheetCount(), 3);
}

void tst_OfficeDocument::exportsChosenSheetsAndRestoresTheBook()
{
    auto book = OfficeDocument::load(m_office, fixture(QStringLiteral("protected_sheet_print_titles.xls")));
    const int customer = book->pageCount(QStringLiteral("customer"));
    const int syteline = book->pageCount(QStringLiteral("adjusted syteline"));
    const QString pdf = m_work.filePath(QStringLiteral("chosen.pdf"));

    book->exportPdf({QStringLiteral("customer"), QStringLiteral("adjusted syteline")}, pdf);
    QCOMPARE(pdfPageCount(pdf), customer + syteline);
    book->exportPdf({QStringLiteral("adjusted syteline")}, pdf, 2, 4);
    QCOMPARE(pdfPageCount(pdf), 3);
    book->exportPdf({QStringLiteral("adjusted syteline")}, pdf, 3, 0);
    QCOMPARE(pdfPageCount(pdf), syteline - 2);
    // The left-out sheet has a print area and still prints nothing; it keeps
    // its print area afterwards.
    book->exportPdf({QStringLiteral("adjusted syteline")}, pdf);
    QCOMPARE(pdfPageCount(pdf), syteline);
    QCOMPARE(book->pageCount(QStringLiteral("customer")), customer);
    QVERIFY(!book->isModified());
    for (const QString &name : book->sheetNames())
        QVERIFY(book->isSheetVisible(name));

    // A hidden sheet prints, and is hidden again afterwards; an edited book
    // stays edited.
    auto hidden = OfficeDocument::load(m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    hidden->renameSheet(QStringLiteral("Sheet4"), QStringLiteral("Edited"));
    hidden->exportPdf({QStringLiteral("Sheet3"), QStringLiteral("Sheet2")}, pdf);
    QCOMPARE(pdfPageCount(pdf), 1 + 3);
    QVERIFY(!hidden->isSheetVisible(QStringLiteral("Sheet3")));
    QVERIFY(hidden->isSheetVisible(QStringLiteral("Sheet1")));
    QVERIFY(hidden->isModified());
    QVERIFY_THROWS_EXCEPTION(OfficeError, hidden->exportPdf({QStringLiteral("sheet1")}, pdf));

    // The office will not hide sheets of a protected book; the chosen sheet
    // prints all the same, and the book stays as it was.
    auto locked = OfficeDocument::load(m_office, fixture(QStringLiteral("wb_protected_default_password.xls")));
    const QString first = QStringLiteral("Лист1");
    locked->exportPdf({first}, pdf);
    QCOMPARE(pdfPageCount(pdf), locked->pageCount(first));
    const QString all = pdfText(pdf);
    locked->exportPdf({first, QStringLiteral("Лист2")}, m_work.filePath(QStringLiteral("all.pdf")));
    QVERIFY(locked->isProtected());
    QVERIFY(!locked->isModified());
    QCOMPARE(locked->sheetCount(), 3);
    // The Cyrillic text prints as itself.
    QVERIFY2(!all.isEmpty() && !all.contains(QStringLiteral("???")), qPrintable(all.left(400)));
}

void tst_OfficeDocument::handOverNeedsADisplay()
{
    QVERIFY(!m_office.runsWithDisplay());
    auto book = OfficeDocument::load(m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    try {
        book->showToUser();
        QFAIL("showed a book without a display");
    } catch (const OfficeError &e) {
        QCOMPARE(e.kind(), Kind::NoDisplay);
    }
    // Nothing was handed over: the book and the process are still ours.
    QVERIFY(book->isOpen());
    QCOMPARE(book->sheetCount(), 4);
}

QTEST_GUILESS_MAIN(tst_OfficeDocument)
#include "tst_officedocument.moc"
