#include "BookCopy.h"
#include "BookFile.h"
#include "BookImport.h"
#include "BookList.h"
#include "BookSelection.h"
#include "BookViewHarness.h"
#include "ExcelApplication.h"
#include "FlatDocument.h"
#include "IsolatedStore.h"
#include "OfficeDocument.h"
#include "SheetList.h"
#include "cExcel.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

static IsolatedStore g_store;

// Saving the active book, saving it under another name, and copying the
// sheets of the selected books into one book, driven through the window's
// commands on real books.
class tst_BookCopy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void commandsWithoutABookWarn();
    void saveWritesTheBookOrTellsWhyNot();
    void saveAsLeavesTheViewOnTheOldPath();
    void copyPassesFollowFileNamesAndSkipMacroSheetsOnce();
    void copyIntoAnExistingBookKeepsItsSheetsFirst();
    void targetAmongTheSourcesIsRefused();
    void lossyCopyAsksOnceAndNoLeavesTheTargetAlone();
    void sourcesNamedLikeTheTarget();
    void officeOnlySheetsKeepTheirPlacesAndAskOnce();
    void aNameBothBooksDefineKeepsTheTargetsAndIsSaid();

private:
    void Drop(const QStringList &paths);
    void Trigger(const QString &name);
    void SelectOnly(const QStringList &paths);
    QStringList SheetNames(const QString &path);
    static QByteArray Digest(const QString &path);

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_BookCopy::initTestCase()
{
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
}

void tst_BookCopy::init()
{
    BookViewHarness::Script();
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_BookCopy::cleanup()
{
    m_window->SheetsChanged = false;
    m_window->Books().SelectAll();
    if (m_window->Books().Count() > 0)
        m_window->Import().RemoveBooks();
    MessageBox::TakeShown();
}

void tst_BookCopy::Drop(const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    m_window->Import().Drop(data, QPoint(1, 1));
}

// Runs a command as its menu item, toolbar button or popup item would. When
// each is available is the menu rules' business, not these tests'.
void tst_BookCopy::Trigger(const QString &name)
{
    QAction *action = m_window->Action(name);
    action->setEnabled(true);
    action->trigger();
}

void tst_BookCopy::SelectOnly(const QStringList &paths)
{
    m_window->Books().DeselectAll();
    for (const QString &path : paths)
        m_window->Books().Select(m_window->Books().FindItem(path));
}

QStringList tst_BookCopy::SheetNames(const QString &path)
{
    quirn::BookFile book;
    if (book.open(path))
        return {};
    QStringList names;
    for (const quirn::SheetFacts &facts : book.sheets())
        names << facts.name;
    return names;
}

QByteArray tst_BookCopy::Digest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void tst_BookCopy::commandsWithoutABookWarn()
{
    for (const char *name : {"mnuFileSave", "mnuFileNewSave", "mnuBookCopy"}) {
        Trigger(QString::fromLatin1(name));
        const auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, QString("Excel Book が選択されていません。"));
        QCOMPARE(shown.first().style, 0x30u);
        QCOMPARE(shown.first().title, QString("Quirn"));
    }
    QVERIFY(CommonDialog::shownDialogs().isEmpty());
    QVERIFY(BookSaveDialog::shownDialogs().isEmpty());
}

void tst_BookCopy::saveWritesTheBookOrTellsWhyNot()
{
    const QString book = BookViewHarness::Copy(m_dir->path() + "/work", "hidden_third_sheet.xls", "saved.xls");
    Drop({book});
    QVERIFY(m_window->Excel().RenameSheet("Sheet1", "First").isEmpty());
    m_window->SheetsChanged = true;

    // The folder went away: the user is told, the change stays unsaved.
    QVERIFY(QDir().rename(m_dir->path() + "/work", m_dir->path() + "/moved"));
    Trigger("mnuFileSave");
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().text.startsWith("ﾌﾞｯｸを保存できませんでした。\r\n"));
    QCOMPARE(shown.first().style, 0x10u);
    QVERIFY(m_window->SheetsChanged);

    QVERIFY(QDir().rename(m_dir->path() + "/moved", m_dir->path() + "/work"));
    Trigger("tbFileSave");
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QVERIFY(!m_window->SheetsChanged);
    QCOMPARE(SheetNames(book), QStringList({"First", "Sheet2", "Sheet3", "Sheet4"}));
    QCOMPARE(m_window->Sheets().Text(0), QString("First"));
}

void tst_BookCopy::saveAsLeavesTheViewOnTheOldPath()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "old.xls");
    const QString other = m_dir->path() + "/new.xls";
    Drop({book});
    QVERIFY(m_window->Excel().RenameSheet("Sheet2", "Second").isEmpty());
    m_window->SheetsChanged = true;

    // Cancelled: nothing changes.
    Trigger("mnuFileNewSave");
    QCOMPARE(BookSaveDialog::shownDialogs().size(), 1);
    QCOMPARE(BookSaveDialog::shownDialogs().first().proposedPath, book);
    QCOMPARE(BookSaveDialog::shownDialogs().first().pointer, Qt::ArrowCursor); // no hourglass while choosing
    QVERIFY(!QFile::exists(other));
    QVERIFY(m_window->SheetsChanged);

    BookSaveDialog::queueAnswer(other);
    Trigger("mnuFileNewSave");
    QVERIFY(MessageBox::TakeShown().isEmpty());
    // The new file has the change; the old file, still the one in view, has not.
    QCOMPARE(SheetNames(other), QStringList({"Sheet1", "Second", "Sheet3", "Sheet4"}));
    QCOMPARE(SheetNames(book), QStringList({"Sheet1", "Sheet2", "Sheet3", "Sheet4"}));
    QCOMPARE(m_window->ActiveBookPath, book);
    QCOMPARE(m_window->Books().Count(), 1);
    QCOMPARE(m_window->Books().Key(0), book);
    QCOMPARE(m_window->Title(0)->text(), book);
    QCOMPARE(m_window->Sheets().Text(1), QString("Sheet2"));
    QVERIFY(!m_window->SheetsChanged);
    // The engine holds the old book: a save writes there, not to the new file.
    QVERIFY(m_window->Excel().RenameSheet("Sheet4", "Fourth").isEmpty());
    Trigger("mnuFileSave");
    QCOMPARE(SheetNames(book), QStringList({"Sheet1", "Sheet2", "Sheet3", "Fourth"}));
    QCOMPARE(SheetNames(other), QStringList({"Sheet1", "Second", "Sheet3", "Sheet4"}));
}

void tst_BookCopy::copyPassesFollowFileNamesAndSkipMacroSheetsOnce()
{
    // A and C share a file name: C goes in the first pass, A in the second.
    const QString a = BookViewHarness::Copy(m_dir->path() + "/one", "hidden_third_sheet.xls", "same.xls");
    const QString b = BookViewHarness::Copy(m_dir->path(), "xlm_macro_autoopen.xls", "b.xls");
    const QString c = BookViewHarness::Copy(m_dir->path() + "/two", "visible_hidden_veryhidden.xls", "same.xls");
    const QString d = BookViewHarness::Copy(m_dir->path(), "xlm_macro_autoopen.xls", "d.xls");
    const QString e = BookViewHarness::Copy(m_dir->path(), "protected_sheet_print_titles.xls", "e.xls");
    Drop({a, b, c, d, e});
    SelectOnly({a, b, c, d, e});
    const QString target = m_dir->path() + "/combined";
    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDOK);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    Trigger("mnuBookCopy");

    const auto dialogs = CommonDialog::shownDialogs();
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs.first().title, QString("ｺﾋﾟｰ先ｴｸｾﾙﾌﾞｯｸの選択"));
    QCOMPARE(dialogs.first().fileName, QString("e.xls"));
    QVERIFY(!dialogs.first().existingOnly);
    // E's sheets, code behind its first included, come through the records:
    // no office save, no loss question.
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).text, QString("ｺﾋﾟｰ元ﾌﾞｯｸ内のﾏｸﾛｼｰﾄはｺﾋﾟｰされませんでした。"));
    QCOMPARE(shown.at(0).style, 0x40u);
    QCOMPARE(shown.at(1).text, "\"" + target + ".xls\" へのｺﾋﾟｰが完了しました。ｺﾋﾟｰしたﾌﾞｯｸを開きますか？");
    QCOMPARE(shown.at(1).style, 0x44u);

    // B, C, D, E, then A; the temporary sheet is gone; taken names as Excel names copies.
    quirn::BookFile copied;
    QVERIFY(!copied.open(target + ".xls"));
    QStringList names;
    for (const quirn::SheetFacts &facts : copied.sheets())
        names << facts.name;
    QCOMPARE(names, QStringList({"MyWB", "Visible", "Hidden", "VeryHidden", "MyWB (2)", "customer",
                                 "adjusted syteline", "Sheet3", "Sheet1", "Sheet2", "Sheet3 (2)", "Sheet4"}));
    using quirn::SheetVisibility;
    QCOMPARE(copied.sheet(2).visibility, SheetVisibility::Hidden);
    QCOMPARE(copied.sheet(3).visibility, SheetVisibility::VeryHidden);
    QCOMPARE(copied.sheet(10).visibility, SheetVisibility::Hidden);
    QCOMPARE(copied.sheet(1).visibility, SheetVisibility::Visible);
    QVERIFY(copied.sheet(5).contentsProtected);
    QVERIFY(!copied.sheet(6).contentsProtected);

    // The office reads the same states.
    m_window->Excel().OpenExcel(target + ".xls");
    auto document = OfficeDocument::load(m_window->Excel().xlApp->office(), target + ".xls");
    QVERIFY(!document->isSheetVisible("Hidden"));
    QVERIFY(!document->isSheetVisible("VeryHidden"));
    QVERIFY(document->isSheetVisible("Visible"));
    QVERIFY(document->isSheetProtected("customer"));
    QVERIFY(!document->isSheetProtected("Sheet1"));
    document.reset();

    // No: the view is as it was; the engine left the books.
    QCOMPARE(m_window->Books().Count(), 5);
    QCOMPARE(m_window->ActiveBookPath, e);
    QVERIFY(m_window->findChild<QWidget *>("ProgressBar1")->isHidden());
}

void tst_BookCopy::aNameBothBooksDefineKeepsTheTargetsAndIsSaid()
{
    const QStringList books = FlatDocument::Books(m_dir->path(), {{"named", FlatDocument::NamedSource},
                                                                  {"kept", FlatDocument::NamedTarget}});
    QCOMPARE(books.size(), 2);
    Drop(books);
    SelectOnly({books[0]});
    CommonDialog::queueAnswer(books[1]);
    MessageBox::QueueAnswer(MessageBox::IDYES); // overwrite
    MessageBox::QueueAnswer(MessageBox::IDNO);  // open it
    Trigger("mnuBookCopy");
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown.at(1).text, QString("次の名前はｺﾋﾟｰ元とｺﾋﾟｰ先で定義が異なるため、ｺﾋﾟｰ先の定義を使いました。\r\n\"Rate\""));
    QCOMPARE(SheetNames(books[1]), QStringList({"Sheet1", "Calc", "Data"}));
}

void tst_BookCopy::copyIntoAnExistingBookKeepsItsSheetsFirst()
{
    // The active book is the target but not among the selected sources.
    const QString target = BookViewHarness::Copy(m_dir->path(), "japanese_sheet_names.xls", "target.xls");
    const QString source = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "source.xls");
    Drop({source, target});
    QCOMPARE(m_window->ActiveBookPath, target);
    SelectOnly({source});

    // No to the overwrite question ends the command.
    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    Trigger("BookPopBookCopy");
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, "\"" + target + "\" は既に存在します。上書きしますか？");
    QCOMPARE(shown.first().style, 0x24u);
    QCOMPARE(SheetNames(target).size(), 5);

    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    Trigger("mnuBookCopy");
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(SheetNames(target), QStringList({"NoContainsJapanese", "日本語のみ", "sheet日本語", "日本語sheet",
                                              "sheet日本語sheet", "Sheet1", "Sheet2", "Sheet3", "Sheet4"}));
    // Yes: the copied book is the active book, listed afresh.
    QCOMPARE(m_window->ActiveBookPath, target);
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({m_window->Books().FindItem(target)}));
    QCOMPARE(m_window->Sheets().Count(), 9);
    QCOMPARE(m_window->Title(0)->text(), target);
    QCOMPARE(m_window->windowTitle(), QString("target.xls - Quirn"));
    QCOMPARE(m_window->PanelText(1), QString("1/2 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));

    // A source that went bad after it was listed gives nothing: that is
    // said, and the unchanged target is not offered as a finished copy.
    const QString broken = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "broken.xls");
    Drop({broken});
    SelectOnly({broken});
    QFile::resize(broken, 700);
    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    Trigger("mnuBookCopy");
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.last().text, "\"" + target + "\" にｺﾋﾟｰされたｼｰﾄはありません。");
    for (const auto &box : shown)
        QVERIFY2(!box.text.contains("ｺﾋﾟｰが完了しました"), qPrintable(box.text));
    QCOMPARE(SheetNames(target).size(), 9);
}

void tst_BookCopy::targetAmongTheSourcesIsRefused()
{
    const QString one = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "one.xls");
    const QString two = BookViewHarness::Copy(m_dir->path(), "print_titles_rows_cols.xls", "two.xls");
    Drop({one, two});
    SelectOnly({one, two});
    const QByteArray before = Digest(one);
    CommonDialog::queueAnswer(m_dir->path() + "/./one.xls");
    Trigger("tbCopyBook");
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("ｺﾋﾟｰ元ﾌﾞｯｸにｺﾋﾟｰすることはできません。"));
    QCOMPARE(shown.first().style, 0x10u);
    QCOMPARE(Digest(one), before);

    // Cancel in the dialog: nothing is asked, nothing made.
    Trigger("mnuBookCopy");
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);
}

void tst_BookCopy::lossyCopyAsksOnceAndNoLeavesTheTargetAlone()
{
    // Sheets of a book with macros go through the office, whose save turns
    // chart sheets into worksheets.
    const QString first = BookViewHarness::Copy(m_dir->path() + "/a", "chartsheet_single_vba_doc.xls", "charts.xls");
    const QString second = BookViewHarness::Copy(m_dir->path() + "/b", "chartsheet_single_vba_doc.xls", "charts.xls");
    const QString target = BookViewHarness::Copy(m_dir->path(), "print_titles_rows_cols.xls", "target.xls");
    Drop({first, second});
    SelectOnly({first, second});
    const QByteArray before = Digest(target);

    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDYES); // add to the existing book
    MessageBox::QueueAnswer(MessageBox::IDNO);  // do not lose anything
    Trigger("mnuBookCopy");
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown.at(1).text.startsWith("\"" + target + "\" を保存すると、次の内容が失われます。"));
    QVERIFY(shown.at(1).text.contains("グラフ シート"));
    QCOMPARE(shown.at(1).style, 0x134u);
    QCOMPARE(Digest(target), before);
    QVERIFY(!m_window->Excel().ExcelStatus());

    // Yes once covers both passes.
    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    Trigger("mnuBookCopy");
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 3);
    QVERIFY(shown.at(1).text.contains("グラフ シート"));
    QVERIFY(shown.at(2).text.endsWith("へのｺﾋﾟｰが完了しました。ｺﾋﾟｰしたﾌﾞｯｸを開きますか？"));
    QCOMPARE(SheetNames(target), QStringList({"Sheet1", "Sheet2", "Sheet3", "Sheet4", "auto_1", "Graph2",
                                              "auto_1 (2)", "Graph2 (2)"}));
}

void tst_BookCopy::sourcesNamedLikeTheTarget()
{
    // Monthly folders each with a "sales.xls", gathered into a "sales.xls" of its own.
    const QString april = BookViewHarness::Copy(m_dir->path() + "/04", "hidden_third_sheet.xls", "sales.xls");
    const QString may = BookViewHarness::Copy(m_dir->path() + "/05", "xlm_macro_autoopen.xls", "sales.xls");
    const QString target = m_dir->path() + "/sum/sales.xls";
    QDir().mkpath(m_dir->path() + "/sum");
    Drop({april, may});
    SelectOnly({april, may});
    const QByteArray aprilBefore = Digest(april);
    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDOK);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    Trigger("mnuBookCopy");
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown.at(1).text.contains("へのｺﾋﾟｰが完了しました。"));
    // Passes as ever: May first, then April.
    QCOMPARE(SheetNames(target), QStringList({"MyWB", "Sheet1", "Sheet2", "Sheet3", "Sheet4"}));
    QCOMPARE(Digest(april), aprilBefore);
}

void tst_BookCopy::officeOnlySheetsKeepTheirPlacesAndAskOnce()
{
    // The records carry the plain sheets; the sheets of a book with macros
    // and a pivot table only the office can bring, into their places.
    const QString a = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "a.xls");
    const QString k = BookViewHarness::Copy(m_dir->path(), "kinds_ws_chart_xlm_dialog_vba.xls", "k.xls");
    const QString c = BookViewHarness::Copy(m_dir->path(), "visible_hidden_veryhidden.xls", "c.xls");
    const QString p = BookViewHarness::Copy(m_dir->path(), "pivot_cache_extra_sheet.xls", "p.xls");
    Drop({a, k, c, p});
    SelectOnly({a, k, c, p});
    const QString target = m_dir->path() + "/all.xls";

    // No to the loss question: no book is made, nothing is left behind.
    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    Trigger("mnuBookCopy");
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.at(0).text.startsWith("\"" + target + "\" を保存すると、次の内容が失われます。"));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
    QVERIFY(!m_window->Excel().ExcelStatus());

    // Yes, once for the whole copy; the macro sheet's message once.
    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    MessageBox::QueueAnswer(MessageBox::IDOK);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    Trigger("mnuBookCopy");
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 3);
    QVERIFY(shown.at(0).text.contains("を保存すると、次の内容が失われます。"));
    QCOMPARE(shown.at(1).text, QString("ｺﾋﾟｰ元ﾌﾞｯｸ内のﾏｸﾛｼｰﾄはｺﾋﾟｰされませんでした。"));
    QVERIFY(shown.at(2).text.endsWith("へのｺﾋﾟｰが完了しました。ｺﾋﾟｰしたﾌﾞｯｸを開きますか？"));
    QCOMPARE(SheetNames(target), QStringList({"Sheet1", "Sheet2", "Sheet3", "Sheet4", "Sheet1 (2)", "Chart1", "Dialog1",
                                              "Visible", "Hidden", "VeryHidden", "Pivot"}));
    quirn::BookFile copied;
    QVERIFY(!copied.open(target));
    using quirn::SheetVisibility;
    QCOMPARE(copied.sheet(2).visibility, SheetVisibility::Hidden);
    QCOMPARE(copied.sheet(7).visibility, SheetVisibility::Visible);
    QCOMPARE(copied.sheet(8).visibility, SheetVisibility::Hidden);
    QCOMPARE(copied.sheet(9).visibility, SheetVisibility::VeryHidden);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
    QVERIFY(!m_window->Excel().ExcelStatus());
}

QTEST_MAIN(tst_BookCopy)
#include "tst_bookcopy.moc"
