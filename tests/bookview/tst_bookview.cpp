#include "BookImport.h"
#include "BookList.h"
#include "BookPresentation.h"
#include "BookSelection.h"
#include "BookViewHarness.h"
#include "IsolatedStore.h"
#include "RecentBooks.h"
#include "RunTimeError.h"
#include "SettingsStore.h"
#include "SheetList.h"
#include "WarningSetting.h"
#include "cExcel.h"
#include "cListView.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QStandardItemModel>
#include <QTreeView>
#include <QUrl>

static IsolatedStore g_store;

class tst_BookView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sizeTextIsPaddedAndCut();
    void samePathInAnotherCaseIsOneItem();
    void itemCarriesFileDetails();
    void fileDialogImportOpensTheBook();
    void fileDialogRefusesMissingFile();
    void mixedDropImportsOnlyBooks();
    void foldersWithoutBooksChangeNothing();
    void folderWithoutBooksLastLeavesNoneSelected();
    void symbolicLinkLoopEnds();
    void overfullFolderIsRefusedAndTheDropGoesOn();
    void dragOverEffects();
    void warningDigitsAndModes();
    void readOnlyBookWarnsByItsSwitch();
    void protectedSheetWarningFollowsRestrictionWarning();
    void projectComponentsAreListed();
    void unreadableBookIsToldAndListsNothing();
    void clickingTheActiveBookDoesNothing();
    void unsavedChangesAreSavedOrKeptWhenTheSaveFails();
    void shiftAndCtrlClicksNeverOpen();
    void firstSelectionCountGrows();
    void recentBooksShiftAndNumbering();
    void recentBookMissingFileKeepsTheList();
    void removingTheOnlyBookEmptiesTheWindow();
    void removingOneOfSeveralOpensTheLast();
    void arrangeByTogglesOrderAndSortsByDisplayName();
    void selectAllAndSelectionCountText();
    void refreshRelistsTheActiveBook();
    void viewModesCheckTheirItemAndButton();
    void rightClickWithoutActiveBookShowsNoPopup();
    void newBookIsSavedWhereChosenAndAdded();
    void windowPicture();

private:
    void Drop(const QStringList &paths);
    QString Panel(int i) const { return m_window->PanelText(i); }
    int Books() const { return m_window->Books().Count(); }

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_BookView::initTestCase()
{
    // The icon themes as a bare window manager offers them.
    QIcon::setThemeSearchPaths({"/usr/share/icons"});
    QIcon::setThemeName("hicolor");
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
}

void tst_BookView::init()
{
    BookViewHarness::Script();
    m_dir = std::make_unique<QTemporaryDir>();
    BookViewHarness::FreshSettings();
}

void tst_BookView::cleanup()
{
    // Remove every book: the window starts each case empty.
    BookViewHarness::RemoveAllBooks(*m_window);
    WarningSeam::TakeShown();
    m_window->MruFiles = QStringList(6);
}

void tst_BookView::Drop(const QStringList &paths)
{
    BookViewHarness::Drop(*m_window, paths);
}

// ---------------------------------------------------------------- items

void tst_BookView::sizeTextIsPaddedAndCut()
{
    QCOMPARE(BookList::SizeText(0), QString(11, u' ') + "ﾊﾞｲﾄ");
    QCOMPARE(BookList::SizeText(999), QString(8, u' ') + "999ﾊﾞｲﾄ");
    QCOMPARE(BookList::SizeText(1234567), QString(2, u' ') + "1,234,567ﾊﾞｲﾄ");
    QCOMPARE(BookList::SizeText(123456789012), QString("23,456,789,012ﾊﾞｲﾄ").right(15));
    QCOMPARE(BookList::SizeText(1000000000), QString("000,000,000ﾊﾞｲﾄ"));
    QCOMPARE(BookList::SizeText(1000000000).size(), 15);
}

void tst_BookView::samePathInAnotherCaseIsOneItem()
{
    const QString path = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "Book.xls");
    QVERIFY(m_window->Books().AddBookItem(path));
    const QStringList recent = m_window->MruFiles;
    QVERIFY(!m_window->Books().AddBookItem(m_dir->path() + "/BOOK.XLS"));
    QCOMPARE(Books(), 1);
    QCOMPARE(m_window->MruFiles, recent);
    QCOMPARE(m_window->Books().FindItem(path.toUpper()), 0);
    QCOMPARE(m_window->Books().Key(0), path);

    // The same file name in two folders: two items with the same text.
    const QString other = BookViewHarness::Copy(m_dir->path() + "/other", "hidden_third_sheet.xls", "Book.xls");
    QVERIFY(m_window->Books().AddBookItem(other));
    QCOMPARE(m_window->Books().Text(0), m_window->Books().Text(1));
}

void tst_BookView::itemCarriesFileDetails()
{
    const QString path = BookViewHarness::Copy(m_dir->path(), "chartsheet_data_chart.xls");
    QVERIFY(m_window->Books().AddBookItem(path));
    QCOMPARE(m_window->Books().Text(0), QString("chartsheet_data_chart.xls"));
    QCOMPARE(m_window->Books().ColumnText(0, 1), BookList::SizeText(33792));
    QCOMPARE(m_window->Books().ColumnText(0, 1), QString("   33,792ﾊﾞｲﾄ").rightJustified(15));
    QVERIFY(!m_window->Books().ColumnText(0, 2).isEmpty());
    QVERIFY(QRegularExpression("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                .match(m_window->Books().ColumnText(0, 3)).hasMatch());
    QCOMPARE(m_window->Books().ColumnText(0, 4), QString("----"));
    // The desktop's icon for a spreadsheet, not a blank file's.
    const QIcon spreadsheet = QIcon::fromTheme("x-office-spreadsheet");
    QVERIFY(!spreadsheet.isNull());
    QCOMPARE(m_window->Books().SmallIcon(path).pixmap(16).toImage(), spreadsheet.pixmap(16).toImage());

    // A file that vanished: the item stays, the error reaches the caller.
    const QString gone = m_dir->path() + "/gone.xls";
    QVERIFY_THROWS_EXCEPTION(RunTimeError, m_window->Books().AddBookItem(gone));
    QCOMPARE(Books(), 2);
}

// ---------------------------------------------------------------- import

void tst_BookView::fileDialogImportOpensTheBook()
{
    BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "Module.xls");
    CommonDialog::queueAnswer(m_dir->path() + "/Module");
    m_window->Action("mnuFileOpen")->trigger();
    const QString path = m_dir->path() + "/Module.xls";
    QCOMPARE(m_window->ActiveBookPath, path);
    QCOMPARE(m_window->windowTitle(), QString("Module.xls - Quirn"));
    QCOMPARE(m_window->Title(0)->text(), path);
    QCOMPARE(Panel(1), QString("1/1 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Settings", "LastLoadFile"), path);
    QCOMPARE(m_window->Sheets().Count(), 3);
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));
    const auto shown = CommonDialog::shownDialogs();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().title, QString("ｴｸｾﾙﾌﾞｯｸ選択"));
    // The first time it opens where the user keeps documents, never the program's folder.
    QVERIFY(shown.first().directory.startsWith(QDir::homePath()));
    QVERIFY(!shown.first().directory.startsWith(QCoreApplication::applicationDirPath()));

    // A name ending in .XLS is kept as chosen.
    const QString upper = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "UPPER.XLS");
    CommonDialog::queueAnswer(upper);
    m_window->Action("tbFileOpen")->trigger();
    QCOMPARE(m_window->ActiveBookPath, upper);
    QCOMPARE(Panel(1), QString("1/2 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));

    // Books and folders chosen together come in as a drop of them would.
    const QString folder = m_dir->path() + "/第3四半期";
    const QString inFolder = BookViewHarness::Copy(folder, "hidden_third_sheet.xls", "b.xls");
    const QString other = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "c.xls");
    CommonDialog::queueAnswer(QStringList{other, folder});
    m_window->Action("mnuFileOpen")->trigger();
    QVERIFY(CommonDialog::shownDialogs().last().several);
    QCOMPARE(Books(), 4);
    QCOMPARE(m_window->ActiveBookPath, inFolder);
    QCOMPARE(Panel(1), QString("1/4 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Settings", "LastLoadFile"), m_dir->path());
}

void tst_BookView::fileDialogRefusesMissingFile()
{
    CommonDialog::queueAnswer(m_dir->path() + "/nothing.xls");
    m_window->Action("mnuFileOpen")->trigger();
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, "ﾌｧｲﾙ\"" + m_dir->path() + "/nothing.xls\"はありません。");
    QCOMPARE(shown.first().style, 0x10u);
    QCOMPARE(Books(), 0);
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Settings", "LastLoadFile", "none"), QString("none"));

    // Cancel ends the command quietly.
    m_window->Action("mnuFileOpen")->trigger();
    QVERIFY(MessageBox::TakeShown().isEmpty());
}

void tst_BookView::mixedDropImportsOnlyBooks()
{
    const QString root = m_dir->path();
    const QString a = BookViewHarness::Copy(root, "hidden_third_sheet.xls", "a.xls");
    QFile text(root + "/note.txt");
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();
    const QString b = BookViewHarness::Copy(root + "/sub", "vba_module1.xls", "b.xls");
    BookViewHarness::Copy(root + "/sub", "hidden_third_sheet.xls", "a-before.xls");
    QVERIFY(QDir().mkpath(root + "/sub/zz-empty"));

    Drop({a, root + "/note.txt", root + "/sub"});
    QCOMPARE(Books(), 3);
    // The last book found, in entry order; the folder's last entry is an empty folder.
    QCOMPARE(m_window->ActiveBookPath, b);
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({m_window->Books().FindItem(b)}));
    QCOMPARE(Panel(1), QString("1/3 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
    QVERIFY(m_window->Action("mnuExcelOpen")->isEnabled());

    // Dropping books already listed counts them: the last is selected and opened.
    Drop({b, a});
    QCOMPARE(Books(), 3);
    QCOMPARE(m_window->ActiveBookPath, a);
}

void tst_BookView::foldersWithoutBooksChangeNothing()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls");
    Drop({book});
    QCOMPARE(m_window->ActiveBookPath, book);
    QVERIFY(QDir().mkpath(m_dir->path() + "/empty/deeper"));
    QFile text(m_dir->path() + "/empty/readme.txt");
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();
    Drop({m_dir->path() + "/empty"});
    QCOMPARE(Books(), 1);
    QCOMPARE(m_window->ActiveBookPath, book);
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({0}));
}

void tst_BookView::folderWithoutBooksLastLeavesNoneSelected()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls");
    QVERIFY(QDir().mkpath(m_dir->path() + "/empty"));
    Drop({book, m_dir->path() + "/empty"});
    QCOMPARE(Books(), 1);
    QVERIFY(m_window->ActiveBookPath.isEmpty());
    QVERIFY(m_window->Books().SelectedRows().isEmpty());
}

void tst_BookView::symbolicLinkLoopEnds()
{
    const QString root = m_dir->path() + "/loop";
    BookViewHarness::Copy(root, "hidden_third_sheet.xls", "x.xls");
    QVERIFY(QFile::link(root, root + "/again"));
    QVERIFY(QFile::link(root + "/again", root + "/deeper-again"));
    Drop({root});
    // x.xls through the folder, and once again through each link (the loop is cut there).
    QCOMPARE(Books(), 1);
    QCOMPARE(m_window->ActiveBookPath, root + "/x.xls");
    QVERIFY(MessageBox::TakeShown().isEmpty());
}

void tst_BookView::overfullFolderIsRefusedAndTheDropGoesOn()
{
    const QString full = m_dir->path() + "/full";
    QVERIFY(QDir().mkpath(full));
    BookViewHarness::Copy(full, "hidden_third_sheet.xls", "in-full.xls");
    for (int i = 0; i < BookImport::FolderLimit; ++i) {
        QFile f(full + QStringLiteral("/f%1.txt").arg(i));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString after = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "after.xls");
    Drop({full, after});
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("指定ﾎﾙﾀﾞ内のﾌｧｲﾙ数が多すぎます。"));
    QCOMPARE(shown.first().style, 0x10u);
    QCOMPARE(Books(), 1);
    QCOMPARE(m_window->ActiveBookPath, after);

    // One entry fewer is within the limit.
    QVERIFY(QFile::remove(full + "/f0.txt"));
    Drop({full});
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QCOMPARE(Books(), 2);
}

void tst_BookView::dragOverEffects()
{
    BookImport &import = m_window->Import();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(m_dir->path() + "/a.txt")});
    QCOMPARE(import.DragOver(files, Qt::NoModifier, QPoint(1, 1)), Qt::IgnoreAction);
    files.setUrls({QUrl::fromLocalFile(m_dir->path() + "/a.txt"), QUrl::fromLocalFile(m_dir->path() + "/B.XLS")});
    QCOMPARE(import.DragOver(files, Qt::NoModifier, QPoint(1, 1)), Qt::CopyAction);
    files.setUrls({QUrl::fromLocalFile(m_dir->path())});
    QCOMPARE(import.DragOver(files, Qt::NoModifier, QPoint(1, 1)), Qt::CopyAction);
    m_window->BookLoading = true;
    QCOMPARE(import.DragOver(files, Qt::NoModifier, QPoint(1, 1)), Qt::IgnoreAction);
    m_window->BookLoading = false;

    // Sheets dragged over the books: the selection follows the pointer.
    const QString one = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "one.xls");
    const QString two = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "two.xls");
    Drop({one, two});
    QMimeData sheets;
    sheets.setData(SheetList::DragFormat, (two + "/00001*Sheet1").toUtf8());
    QAbstractItemView *view = m_window->BookView()->currentView();
    const QPoint onOne = view->visualRect(m_window->BookView()->model()->index(0, 0)).center();
    QCOMPARE(import.DragOver(sheets, Qt::ShiftModifier, onOne), Qt::MoveAction);
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({0}));
    QCOMPARE(import.DragOver(sheets, Qt::ControlModifier, onOne), Qt::CopyAction);
    QCOMPARE(import.DragOver(sheets, Qt::NoModifier, QPoint(1, view->viewport()->height() - 2)), Qt::IgnoreAction);
    m_window->BookRestriction = 1;
    QCOMPARE(import.DragOver(sheets, Qt::NoModifier, onOne), Qt::IgnoreAction);
    m_window->BookRestriction = 0;

    // Sheets dropped on their own book are refused.
    m_window->Books().DeselectAll();
    m_window->Books().Select(1);
    import.Drop(sheets, view->visualRect(m_window->BookView()->model()->index(1, 0)).center());
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("同一のﾌﾞｯｸ内のｼｰﾄの移動／ｺﾋﾟｰはｼｰﾄﾋﾞｭｰで行ってください。"));
    QCOMPARE(shown.first().style, 0x30u);
}

// ---------------------------------------------------------------- warnings

void tst_BookView::warningDigitsAndModes()
{
    using W = WarningSetting;
    QVERIFY(W::Due("10", true) && !W::Due("10", false));
    QVERIFY(W::Due("01", true) && W::Due("01", false));
    QVERIFY(!W::Due("00", true) && !W::Due("00", false));
    QCOMPARE(W::ModeOf("11", true), W::FirstSelection);
    QCOMPARE(W::ModeOf("11", false), W::EverySelection);
    QCOMPARE(W::ModeOf("01", true), W::EverySelection);
    QCOMPARE(W::Ticked("11", W::FirstSelection), QString("01"));
    QCOMPARE(W::Ticked("01", W::EverySelection), QString("00"));
    QCOMPARE(W::Ticked("11", W::EverySelection), QString("10"));
    QCOMPARE(W::CheckCaption(W::FirstSelection), QString("今後、最初のﾌﾞｯｸ選択時にこのﾒｯｾｰｼﾞを表示させない"));
    QCOMPARE(W::CheckCaption(W::EverySelection), QString("今後、ﾌﾞｯｸを選択する毎にこのﾒｯｾｰｼﾞを表示させない"));
    SettingsMigration::DeleteAllSettings();
    QCOMPARE(W::Read("Warninng2"), QString("11"));
}

void tst_BookView::readOnlyBookWarnsByItsSwitch()
{
    const QString locked = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "locked.xls");
    BookViewHarness::MakeReadOnly(locked);
    const QString other = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "other.xls");
    Drop({other, locked});
    WarningSeam::TakeShown();
    const int lockedRow = m_window->Books().FindItem(locked);
    QCOMPARE(m_window->BookRestriction, 3);
    QCOMPARE(m_window->Title(3)->text(), QString("読取専用"));
    QCOMPARE(m_window->Title(3)->palette().color(QPalette::Window), QColor(255, 0, 0));

    auto select = [this](int row) {
        m_window->Books().DeselectAll();
        m_window->Books().Select(row);
        m_window->Selection().OpenSelectedBook(row);
    };
    const QString message = "\"" + locked + "\" は読み取り専用ﾌｧｲﾙです。\n読み取り専用ﾌｧｲﾙには一部の機能が使用できません。";

    // "10": the first selection only. The item was opened once already (Tag "1").
    WarningSetting::Write("Warninng1", "10");
    m_window->Books().SetTag(lockedRow, QString());
    select(m_window->Books().FindItem(other));
    select(lockedRow);
    auto shown = WarningSeam::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().form, QString("frmWarninng1"));
    QCOMPARE(shown.first().text, message);
    QCOMPARE(shown.first().checkCaption, WarningSetting::CheckCaption(WarningSetting::FirstSelection));
    select(m_window->Books().FindItem(other));
    select(lockedRow);
    QVERIFY(WarningSeam::TakeShown().isEmpty());

    // "11": the first selection in first-selection mode; ticking makes "01".
    WarningSetting::Write("Warninng1", "11");
    m_window->Books().SetTag(lockedRow, QString());
    select(m_window->Books().FindItem(other));
    WarningSeam::QueueChoice(true);
    select(lockedRow);
    shown = WarningSeam::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().checkCaption, WarningSetting::CheckCaption(WarningSetting::FirstSelection));
    QCOMPARE(WarningSetting::Read("Warninng1"), QString("01"));
    // Then every selection, in every-selection mode, until that box is ticked too.
    select(m_window->Books().FindItem(other));
    select(lockedRow);
    shown = WarningSeam::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().checkCaption, WarningSetting::CheckCaption(WarningSetting::EverySelection));
    select(m_window->Books().FindItem(other));
    WarningSeam::QueueChoice(true);
    select(lockedRow);
    QCOMPARE(WarningSeam::TakeShown().size(), 1);
    QCOMPARE(WarningSetting::Read("Warninng1"), QString("00"));
    select(m_window->Books().FindItem(other));
    select(lockedRow);
    QVERIFY(WarningSeam::TakeShown().isEmpty());
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);

    // A writable book of an older format: read-only here, and said so.
    WarningSetting::Write("Warninng1", "01");
    const QString old = BookViewHarness::Copy(m_dir->path(), "biff5_visibility.xls", "old.xls");
    Drop({old});
    QCOMPARE(m_window->BookRestriction, 3);
    shown = WarningSeam::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, "\"" + old + "\" は古い形式のﾌﾞｯｸのため、Quirnでは読み取り専用です。\n"
                                   "読み取り専用ﾌｧｲﾙには一部の機能が使用できません。");
}

void tst_BookView::protectedSheetWarningFollowsRestrictionWarning()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_and_protected_sheets.xls", "prot.xls");
    BookViewHarness::MakeReadOnly(book);
    WarningSetting::Write("Warninng1", "01");
    WarningSetting::Write("Warninng2", "01");
    Drop({book});
    const auto shown = WarningSeam::TakeShown();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown.at(0).text.contains("読み取り専用ﾌｧｲﾙです。"));
    QCOMPARE(shown.at(1).text, "\"" + book + "\" には保護されたｼｰﾄがあります。\n保護ｼｰﾄには一部の機能が使用できません。");
    QVERIFY(m_window->HasProtectedSheets);
    QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner);
}

void tst_BookView::projectComponentsAreListed()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "kinds_ws_chart_xlm_dialog_vba.xls", "kinds.xls");
    const QString docs = BookViewHarness::Copy(m_dir->path(), "vba_document_module_only.xls", "docs.xls");
    WarningSetting::Write("Warninng3", "10");
    Drop({docs});
    // Document modules are not project components to warn about.
    QVERIFY(WarningSeam::TakeShown().isEmpty());
    Drop({book});
    const auto shown = WarningSeam::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().form, QString("frmMacroWarninng"));
    QCOMPARE(shown.first().text, QString("\"" + book + "\" には\n次のﾌﾟﾛｼﾞｪｸﾄｺﾝﾎﾟｰﾈﾝﾄが含まれています｡ \n"
                                                      "これらのﾌﾟﾛｼﾞｪｸﾄｺﾝﾎﾟｰﾈﾝﾄは処理対象になりません。"));
    QStringList modules = shown.first().modules;
    modules.sort();
    QCOMPARE(modules, QStringList({"Class1", "Module1", "UserForm1"}));
    // The book is open again after the check.
    QVERIFY(m_window->Excel().ExcelStatus());
    QCOMPARE(m_window->Excel().GetSheetCount(), qint16(4));
}

void tst_BookView::unreadableBookIsToldAndListsNothing()
{
    const QString bad = BookViewHarness::Copy(m_dir->path(), "corrupt_fuzz_msat.xls", "bad.xls");
    WarningSetting::Write("Warninng1", "11");
    Drop({bad});
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().text.startsWith("ﾌｧｲﾙ\"" + bad + "\"を開けませんでした。"));
    QCOMPARE(m_window->Sheets().Count(), 0);
    QCOMPARE(m_window->Title(3)->text(), QString("保護不明"));
    // No warning and no selection count for a book that lists no sheets.
    QVERIFY(WarningSeam::TakeShown().isEmpty());
    QVERIFY(m_window->Books().Tag(0).isEmpty());
    QVERIFY(!m_window->Action("mnuSelAllSheet")->isEnabled());
}

// ---------------------------------------------------------------- selection

void tst_BookView::clickingTheActiveBookDoesNothing()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "Active.xls");
    Drop({book});
    QCOMPARE(m_window->Books().Tag(0), QString("1"));
    m_window->ActiveBookPath = book.toUpper();
    m_window->Sheets().Clear();
    m_window->Selection().OpenSelectedBook(0);
    QCOMPARE(m_window->Sheets().Count(), 0);
    QCOMPARE(m_window->Books().Tag(0), QString("1"));
    QVERIFY(!m_window->BookLoading);
    m_window->ActiveBookPath = book;
}

void tst_BookView::unsavedChangesAreSavedOrKeptWhenTheSaveFails()
{
    const QString edited = BookViewHarness::Copy(m_dir->path() + "/work", "hidden_third_sheet.xls", "edited.xls");
    const QString other = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "other.xls");
    Drop({other, edited});
    auto select = [this](const QString &path) {
        const int row = m_window->Books().FindItem(path);
        m_window->Books().DeselectAll();
        m_window->Books().Select(row);
        m_window->Selection().OpenSelectedBook(row);
    };
    m_window->Excel().RenameSheet("Sheet1", "Renamed");
    m_window->SheetsChanged = true;

    // The folder went away: the save fails, the user is told, the book stays active with its changes.
    QVERIFY(QDir().rename(m_dir->path() + "/work", m_dir->path() + "/moved"));
    MessageBox::QueueAnswer(MessageBox::IDYES);
    select(other);
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).text, "ｼｰﾄ構成の変更を \"" + edited + "\" に保存しますか？");
    QCOMPARE(shown.at(0).style, 0x24u);
    QVERIFY(shown.at(1).text.startsWith("ｼｰﾄ構成の変更を保存できませんでした。\r\n"));
    QCOMPARE(m_window->ActiveBookPath, edited);
    QVERIFY(m_window->SheetsChanged);
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({m_window->Books().FindItem(edited)}));

    // Back in place: Yes saves, and the book on disk has the change.
    QVERIFY(QDir().rename(m_dir->path() + "/moved", m_dir->path() + "/work"));
    MessageBox::QueueAnswer(MessageBox::IDYES);
    select(other);
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    QCOMPARE(m_window->ActiveBookPath, other);
    QVERIFY(!m_window->SheetsChanged);
    select(edited);
    QCOMPARE(m_window->Sheets().Text(0), QString("Renamed"));
}

void tst_BookView::shiftAndCtrlClicksNeverOpen()
{
    const QString a = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "a.xls");
    const QString b = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "b.xls");
    Drop({b, a});
    QCOMPARE(m_window->ActiveBookPath, a);
    m_window->Presentation().ListViewMode(3);
    QTreeView *view = m_window->BookView()->reportView();
    const QRect rowB = view->visualRect(m_window->BookView()->model()->index(m_window->Books().FindItem(b), 0));
    m_window->Books().DeselectAll();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, rowB.center());
    QCoreApplication::processEvents();
    // Only one item ended up selected, yet nothing was opened.
    QCOMPARE(m_window->Books().CountSelected(), 1);
    QCOMPARE(m_window->ActiveBookPath, a);
    QCOMPARE(m_window->Sheets().Count(), 4);

    // A plain click opens it.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, rowB.center());
    QCoreApplication::processEvents();
    QCOMPARE(m_window->ActiveBookPath, b);
    // Its first sheet was selected (a sheet of the same name as the one
    // selected before, yet another sheet).
    QCOMPARE(Panel(2), QString("ｼｰﾄﾋﾞｭｰ"));
    QCOMPARE(Panel(1), QString("1/2 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
    QVERIFY(m_window->Action("tbExcelOpen")->isEnabled());
}

void tst_BookView::firstSelectionCountGrows()
{
    const QString a = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "a.xls");
    const QString b = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "b.xls");
    Drop({a});
    Drop({b});
    const int rowA = m_window->Books().FindItem(a);
    QCOMPARE(m_window->Books().Tag(rowA), QString("1"));
    for (const QString expected : {"2", "3"}) {
        m_window->Books().DeselectAll();
        m_window->Books().Select(m_window->Books().FindItem(b));
        m_window->Selection().OpenSelectedBook(m_window->Books().FindItem(b));
        m_window->Books().DeselectAll();
        m_window->Books().Select(rowA);
        m_window->Selection().OpenSelectedBook(rowA);
        QCOMPARE(m_window->Books().Tag(rowA), QString(expected));
    }
    // With several books selected a click opens nothing.
    m_window->Books().SelectAll();
    m_window->Selection().OpenSelectedBook(m_window->Books().FindItem(b));
    QCOMPARE(m_window->ActiveBookPath, a);
}

// ---------------------------------------------------------------- recent books

void tst_BookView::recentBooksShiftAndNumbering()
{
    auto caption = [this](int k) { return m_window->Action(QStringLiteral("mnuFileMRU_%1").arg(k))->text(); };
    auto visible = [this](int k) { return m_window->Action(QStringLiteral("mnuFileMRU_%1").arg(k))->isVisible(); };
    m_window->MruFiles = QStringList({"", "", "/p/A.xls", "/p/B.xls", "/p/C.xls", ""});
    m_window->Recent().ShowLoaded();
    QVERIFY(!visible(1) && !visible(2) && visible(3) && visible(5));
    QCOMPARE(caption(3), QString("&1 /p/A.xls"));
    QCOMPARE(caption(5), QString("&3 /p/C.xls"));
    QVERIFY(m_window->Action("mnuFileBar4")->isVisible());

    m_window->Recent().RecordRecentBook("/p/D.xls");
    QCOMPARE(m_window->MruFiles.mid(0, 5), QStringList({"", "/p/A.xls", "/p/B.xls", "/p/C.xls", "/p/D.xls"}));
    QVERIFY(!visible(1) && visible(2));
    QCOMPARE(caption(2), QString("&2 /p/A.xls"));
    QCOMPARE(caption(5), QString("&5 /p/D.xls"));

    // Listed already: nothing moves. Another letter case is another entry.
    m_window->Recent().RecordRecentBook("/p/B.xls");
    QCOMPARE(m_window->MruFiles.at(4), QString("/p/D.xls"));
    m_window->Recent().RecordRecentBook("/p/b.xls");
    QCOMPARE(m_window->MruFiles.mid(0, 5), QStringList({"/p/A.xls", "/p/B.xls", "/p/C.xls", "/p/D.xls", "/p/b.xls"}));
    // A sixth drops the oldest.
    m_window->Recent().RecordRecentBook("/p/E.xls");
    QCOMPARE(m_window->MruFiles.first(), QString("/p/B.xls"));
    QCOMPARE(caption(1), QString("&1 /p/B.xls"));

    // Empty store: everything hidden.
    m_window->MruFiles = QStringList(6);
    m_window->Recent().ShowLoaded();
    QVERIFY(!m_window->Action("mnuFileBar4")->isVisible());
    QVERIFY(!visible(5));
}

void tst_BookView::recentBookMissingFileKeepsTheList()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "recent.xls");
    m_window->MruFiles = QStringList({"", "", "", m_dir->path() + "/deleted.xls", book, ""});
    m_window->Action("mnuFileMRU_4")->trigger();
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, "\"" + m_dir->path() + "/deleted.xls\" が見つかりません。");
    QCOMPARE(shown.first().style, 0x10u);
    QCOMPARE(m_window->MruFiles.at(3), m_dir->path() + "/deleted.xls");

    // A listed book opens as a selection does, added to the view.
    m_window->Action("mnuFileMRU_5")->trigger();
    QCOMPARE(m_window->ActiveBookPath, book);
    QCOMPARE(Books(), 1);
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({0}));
    QCOMPARE(m_window->windowTitle(), QString("recent.xls - Quirn"));
    QCOMPARE(m_window->Sheets().Count(), 4);
    QCOMPARE(m_window->Books().Tag(0), QString("1"));
    QCOMPARE(m_window->MruFiles.at(4), book);
}

// ---------------------------------------------------------------- removal

void tst_BookView::removingTheOnlyBookEmptiesTheWindow()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "only.xls");
    const QByteArray before = [&] { QFile f(book); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    Drop({book});
    ReserveBookEntry reserved;
    reserved.Path = book;
    reserved.Reserved = true;
    reserved.Sheets = {{"Sheet1", true}};
    m_window->Reserve.Entries = {reserved};
    m_window->Books().SelectAll();
    m_window->Action("mnuFileDelete")->trigger();
    QCOMPARE(Books(), 0);
    QCOMPARE(m_window->Sheets().Count(), 0);
    QVERIFY(m_window->ActiveBookPath.isEmpty());
    QCOMPARE(m_window->windowTitle(), QString("Quirn"));
    for (int i = 0; i < 4; ++i)
        QVERIFY(m_window->Title(i)->text().isEmpty());
    QCOMPARE(m_window->SheetHeader()->text(), QString("  ｼｰﾄ"));
    QVERIFY(Panel(1).isEmpty() && Panel(3).isEmpty());
    QVERIFY(!m_window->Excel().ExcelStatus());
    QCOMPARE(m_window->Reserve.CountReservedBooks(), 0);
    QCOMPARE(m_window->Reserve.FindReserveBook(book), -1);
    for (const char *name : {"mnuFileSave", "mnuExcelOpen", "BookPopExcelOpen", "tbDelete", "tbFind", "tbReservPrint"})
        QVERIFY2(!m_window->Action(name)->isEnabled(), name);
    // The file on disk is untouched.
    QFile f(book);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void tst_BookView::removingOneOfSeveralOpensTheLast()
{
    const QString a = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "a.xls");
    const QString b = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "b.xls");
    const QString c = BookViewHarness::Copy(m_dir->path(), "chartsheet_data_chart.xls", "c.xls");
    Drop({a, b, c});
    m_window->Books().DeselectAll();
    m_window->Books().Select(m_window->Books().FindItem(a));
    m_window->Selection().OpenSelectedBook(m_window->Books().FindItem(a));
    QCOMPARE(m_window->ActiveBookPath, a);
    // Remove the active book: the last book left becomes the active one.
    m_window->Books().DeselectAll();
    m_window->Books().Select(m_window->Books().FindItem(a));
    QTest::keyClick(m_window->BookView()->currentView(), Qt::Key_Delete);
    QCOMPARE(Books(), 2);
    QCOMPARE(m_window->ActiveBookPath, c);
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({1}));
    QCOMPARE(Panel(1), QString("1/2 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
    QVERIFY(QFile::exists(a));
}

// ---------------------------------------------------------------- presentation

void tst_BookView::arrangeByTogglesOrderAndSortsByDisplayName()
{
    // Display names sort one way, paths the other.
    const QString z = BookViewHarness::Copy(m_dir->path() + "/a-folder", "hidden_third_sheet.xls", "z.xls");
    const QString y = BookViewHarness::Copy(m_dir->path() + "/b-folder", "vba_module1.xls", "y.xls");
    m_window->Books().AddBookItem(z);
    m_window->Books().AddBookItem(y);
    auto texts = [this] { return QStringList({m_window->Books().Text(0), m_window->Books().Text(1)}); };
    m_window->Action("mnuVAIByName")->trigger();
    QCOMPARE(texts(), QStringList({"z.xls", "y.xls"})); // descending first
    m_window->Action("mnuVAIByName")->trigger();
    QCOMPARE(texts(), QStringList({"y.xls", "z.xls"}));
    // A header click toggles as well; a book added now goes to its sorted place.
    m_window->Presentation().ColumnClick(0);
    QCOMPARE(m_window->Presentation().SortOrder(), Qt::DescendingOrder);
    const QString x = BookViewHarness::Copy(m_dir->path(), "chartsheet_data_chart.xls", "x.xls");
    m_window->Books().AddBookItem(x);
    QCOMPARE(m_window->Books().Text(2), QString("x.xls"));
    const QString zz = BookViewHarness::Copy(m_dir->path(), "chartsheet_data_chart.xls", "zz.xls");
    m_window->Books().AddBookItem(zz);
    QCOMPARE(m_window->Books().Text(0), QString("zz.xls"));
    // By size: the padded texts.
    m_window->Action("mnuVAIBySize")->trigger();
    QCOMPARE(m_window->Presentation().SortKey(), 1);
    QCOMPARE(m_window->Presentation().SortOrder(), Qt::AscendingOrder);
    QVERIFY(m_window->Books().ColumnText(0, 1) <= m_window->Books().ColumnText(3, 1));
}

void tst_BookView::selectAllAndSelectionCountText()
{
    const QString a = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "a.xls");
    Drop({a});
    // One book: the single-book commands stay on.
    m_window->Action("mnuSelAllBook")->trigger();
    QVERIFY(m_window->Action("tbExcelOpen")->isEnabled());
    QCOMPARE(Panel(1), QString("1/1 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
    const QString b = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "b.xls");
    m_window->Books().AddBookItem(b);
    m_window->Action("tbAllBook")->trigger();
    QVERIFY(!m_window->Action("tbExcelOpen")->isEnabled());
    QVERIFY(!m_window->Action("BookPopSelAllSheet")->isEnabled());
    QCOMPARE(Panel(1), QString("2/2 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
    QCOMPARE(m_window->ActiveBookPath, a);
    // Nothing selected counts as one.
    m_window->Books().DeselectAll();
    m_window->Selection().UpdateSelectionCountText();
    QCOMPARE(Panel(1), QString("1/2 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
}

void tst_BookView::refreshRelistsTheActiveBook()
{
    // No active book: nothing happens.
    m_window->Action("mnuViewRefresh")->trigger();
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QCOMPARE(m_window->Sheets().Count(), 0);

    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "fresh.xls");
    Drop({book});
    m_window->Excel().RenameSheet("Sheet2", "Changed");
    QCOMPARE(m_window->Sheets().Text(1), QString("Sheet2"));
    m_window->Action("mnuViewRefresh")->trigger();
    QCOMPARE(m_window->Sheets().Text(1), QString("Changed"));
    QCOMPARE(m_window->SheetTable.at(1).Name, QString("Changed"));
    // The book item itself is not read again.
    QCOMPARE(m_window->Books().Count(), 1);
}

void tst_BookView::viewModesCheckTheirItemAndButton()
{
    const char *buttons[] = {"tbViewLarge", "tbViewSmall", "tbViewList", "tbViewDetails"};
    for (int mode : {0, 1, 2, 3}) {
        m_window->Action(QStringLiteral("mnuListViewMode_%1").arg(mode))->trigger();
        QCOMPARE(m_window->BookView()->viewMode(), mode);
        QVERIFY(m_window->Action(QStringLiteral("mnuListViewMode_%1").arg(mode))->isChecked());
        QVERIFY(m_window->Action(buttons[mode])->isChecked());
    }
    m_window->Action("tbViewList")->trigger();
    QCOMPARE(m_window->BookView()->viewMode(), 2);
    QVERIFY(!m_window->Action("mnuListViewMode_3")->isChecked());
    m_window->Action("mnuViewLineUpIcons")->trigger();
    QVERIFY(MessageBox::TakeShown().isEmpty());
}

void tst_BookView::rightClickWithoutActiveBookShowsNoPopup()
{
    const QString a = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "a.xls");
    m_window->Books().AddBookItem(a);
    m_window->Presentation().ListViewMode(3);
    QTreeView *view = m_window->BookView()->reportView();
    const QPoint at = view->visualRect(m_window->BookView()->model()->index(0, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QCoreApplication::processEvents();
    QMenu *popup = m_window->Popup("menuBookPopup");
    QVERIFY(!popup->isVisible());
    // A book open: Enter shows the popup.
    Drop({a});
    QTest::keyClick(view, Qt::Key_Return);
    QVERIFY(popup->isVisible());
    popup->hide();
}

void tst_BookView::newBookIsSavedWhereChosenAndAdded()
{
    const QString a = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "a.xls");
    Drop({a});
    // Cancel adds nothing.
    m_window->Action("tbFileNew")->trigger();
    QCOMPARE(Books(), 1);
    BookSaveDialog::queueAnswer(m_dir->path() + "/fresh.xls");
    m_window->Action("tbFileNew")->trigger();
    QVERIFY2(MessageBox::TakeShown().isEmpty(), "no message");
    QVERIFY(QFile::exists(m_dir->path() + "/fresh.xls"));
    QCOMPARE(BookSaveDialog::shownDialogs().size(), 2);
    QCOMPARE(BookSaveDialog::shownDialogs().last().proposedPath, m_dir->path() + "/Book1.xls");
    QCOMPARE(Books(), 2);
    QVERIFY(m_window->Books().FindItem(m_dir->path() + "/fresh.xls") >= 0);
    // The active book is still the engine's active book.
    QCOMPARE(m_window->ActiveBookPath, a);
    QCOMPARE(m_window->Excel().GetSheetCount(), qint16(4));
    // The new book lists its one sheet.
    const int fresh = m_window->Books().FindItem(m_dir->path() + "/fresh.xls");
    m_window->Books().DeselectAll();
    m_window->Books().Select(fresh);
    m_window->Selection().OpenSelectedBook(fresh);
    QCOMPARE(m_window->Sheets().Count(), 1);
}

void tst_BookView::windowPicture()
{
    // The real window with books listed and one selected, left in the test's
    // folder for a look: icons, Japanese texts and columns.
    for (const char *name : {"kinds_ws_chart_xlm_dialog_vba.xls", "japanese_sheet_names.xls",
                             "hidden_and_protected_sheets.xls", "visibility_chartsheet_vba_cyrillic.xls"})
        BookViewHarness::Copy(m_dir->path(), QString::fromLatin1(name));
    BookViewHarness::MakeReadOnly(m_dir->path() + "/hidden_and_protected_sheets.xls");
    m_window->resize(1000, 600);
    m_window->Presentation().ListViewMode(3);
    Drop({m_dir->path()});
    const int row = m_window->Books().FindItem(m_dir->path() + "/hidden_and_protected_sheets.xls");
    m_window->Books().DeselectAll();
    m_window->Books().Select(row);
    m_window->Selection().OpenSelectedBook(row);
    QCOMPARE(m_window->Sheets().Count(), 7);
    QVERIFY(m_window->grab().toImage().save("bookview.png"));
    QFile::setPermissions(m_dir->path() + "/hidden_and_protected_sheets.xls", QFile::ReadOwner | QFile::WriteOwner);
}

QTEST_MAIN(tst_BookView)
#include "tst_bookview.moc"
