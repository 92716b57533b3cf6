#include "BookFile.h"
#include "BookImport.h"
#include "BookList.h"
#include "BookViewHarness.h"
#include "ExcelApplication.h"
#include "IsolatedStore.h"
#include "OfficeDocument.h"
#include "SettingsStore.h"
#include "SheetList.h"
#include "SheetSort.h"
#include "TextCollation.h"
#include "cExcel.h"
#include "cListView.h"
#include "frmSheetFind.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QUrl>

static IsolatedStore g_store;

class tst_SheetSortFind : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void collationIgnoresCaseThenOrdersTies();
    void tableAndListSortAgree();
    void sortKeepsVisibilityAndWritesTheOrder();
    void sortAfterDeletingSheets();
    void japaneseNamesSortInTheBook();
    void wholeOrderAtOnceAlsoInTheOffice();
    void headerPressAlternates();
    void sortRefusedByAProtectedBookChangesNothing();
    void findFirstByPrefixOrWholeName();
    void findAllAndFromTheLastSelected();
    void findNotFoundAndCancel();
    void findDialogRemembersOptionsAndHistory();
    void namesToTheClipboard();
    void informationCaptions();
    void informationSettingsAndPopups();

private:
    void Open(const QString &fixture);
    QStringList ListedNames() const;
    QStringList TableNames() const;
    QStringList BookNames();
    void Select(const QStringList &names);
    QString Caption(const char *item) const { return m_window->Action(QString::fromLatin1(item))->text(); }
    static void QueueFind(const QString &text, int match, int start);
    // Runs a command as its menu item or button would, once the menu rules let it.
    void Trigger(const char *name);

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_SheetSortFind::initTestCase()
{
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
    frmSheetFind::setScripted(true);
}

void tst_SheetSortFind::init()
{
    BookViewHarness::Script();
    frmSheetFind::resetScript();
    frmSheetFind::FindStrings.clear();
    frmSheetFind::FindMode = 2;
    frmSheetFind::StartMode = 0;
    m_dir = std::make_unique<QTemporaryDir>();
    SettingsMigration::DeleteAllSettings();
}

void tst_SheetSortFind::cleanup()
{
    BookViewHarness::RemoveAllBooks(*m_window);
}

void tst_SheetSortFind::Open(const QString &fixture)
{
    const QString path = BookViewHarness::Copy(m_dir->path(), fixture);
    BookViewHarness::Drop(*m_window, {path}, QPoint());
    QCOMPARE(m_window->ActiveBookPath, path);
}

QStringList tst_SheetSortFind::ListedNames() const
{
    QStringList names;
    for (int row = 0; row < m_window->Sheets().Count(); ++row)
        names << m_window->Sheets().Text(row);
    return names;
}

QStringList tst_SheetSortFind::TableNames() const
{
    QStringList names;
    for (const SheetTableEntry &entry : m_window->SheetTable)
        names << entry.Name;
    return names;
}

QStringList tst_SheetSortFind::BookNames()
{
    QStringList names;
    cExcel &excel = m_window->Excel();
    for (qint16 i = 1; i <= excel.GetSheetCount(); ++i)
        names << excel.GetSheetName(i);
    return names;
}

void tst_SheetSortFind::Select(const QStringList &names)
{
    QItemSelectionModel *selection = m_window->SheetView()->selectionModel();
    selection->clearSelection();
    for (int row = 0; row < m_window->Sheets().Count(); ++row) {
        if (names.contains(m_window->Sheets().Text(row)))
            selection->select(m_window->SheetView()->model()->index(row, 0), QItemSelectionModel::Select);
    }
}

void tst_SheetSortFind::Trigger(const char *name)
{
    QAction *action = m_window->Action(QString::fromLatin1(name));
    action->setEnabled(true);
    action->trigger();
}

// The next find: the text typed, the match option (Check1) and start option
// (Option1) clicked, then OK.
void tst_SheetSortFind::QueueFind(const QString &text, int match, int start)
{
    frmSheetFind::queueScript([=](frmSheetFind &dialog) {
        dialog.findChild<QComboBox *>("Combo1")->setEditText(text);
        dialog.findChild<QRadioButton *>(QStringLiteral("Check1_%1").arg(match))->click();
        dialog.findChild<QRadioButton *>(QStringLiteral("Option1_%1").arg(start))->click();
        return true;
    });
}

// ---------------------------------------------------------------- collation and sorting

void tst_SheetSortFind::collationIgnoresCaseThenOrdersTies()
{
    // Equal ignoring case (and width and kana): decided by case, then code point.
    QVERIFY(TextCollation::Compare("abc", "ABC") < 0);
    QVERIFY(TextCollation::Compare("ABC", "ＡＢＣ") < 0);
    QVERIFY(TextCollation::Compare("あ", "ア") < 0);
    QVERIFY(TextCollation::Compare("ア", "ｱ") < 0);
    QVERIFY(TextCollation::Compare("シート", "ｼｰﾄ") < 0);
    QVERIFY(TextCollation::Compare("ｼｰﾄ", "シート2") < 0);
    QVERIFY(TextCollation::Compare("ｶﾞ", "カ") > 0);
    QCOMPARE(TextCollation::Compare("Sheet", "Sheet"), 0);
    // Case never outweighs the letters: "b" follows "A", "B" follows "a".
    QVERIFY(TextCollation::Compare("b", "A") > 0);
    QVERIFY(TextCollation::Compare("a", "B") < 0);
    QVERIFY(TextCollation::Compare("", "a") < 0);
}

void tst_SheetSortFind::tableAndListSortAgree()
{
    const QStringList names = {"日本語", "sheet2", "ｼｰﾄ", "Sheet10", "シート", "", "あ", "ABC", "abc",
                               "Ｂ", "b", "しーと", "1", "亜", "ア"};
    // Ascending: blank first; digits, Latin, kana, kanji. Names equal but
    // for case, width or kana: lower case first, then by code point (ASCII
    // before full-width, hiragana before katakana before half-width).
    const QStringList ascending = {"", "1", "abc", "ABC", "b", "Ｂ", "Sheet10", "sheet2", "あ", "ア",
                                   "しーと", "シート", "ｼｰﾄ", "亜", "日本語"};
    QList<SheetTableEntry> table;
    for (const QString &name : names)
        table << SheetTableEntry{name, "/b.xls/00001*" + name};
    SheetSort::SortSheetTable(table, false);
    QStringList sorted;
    for (const SheetTableEntry &entry : table) {
        sorted << entry.Name;
        QCOMPARE(entry.Key, "/b.xls/00001*" + entry.Name); // entries move whole
    }
    QCOMPARE(sorted, ascending);
    SheetSort::SortSheetTable(table, true);
    sorted.clear();
    for (const SheetTableEntry &entry : table)
        sorted << entry.Name;
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(sorted, descending);

    // The list sorts the same names into the same order, keeping its selection.
    cListView list;
    for (const QString &name : names)
        list.model()->appendRow(new QStandardItem(name));
    list.selectionModel()->select(list.model()->index(names.indexOf("ABC"), 0), QItemSelectionModel::Select);
    for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        list.SortItems(order);
        QStringList listed;
        for (int row = 0; row < list.model()->rowCount(); ++row)
            listed << list.model()->item(row)->text();
        QCOMPARE(listed, order == Qt::AscendingOrder ? ascending : descending);
        const QModelIndexList selected = list.selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QString("ABC"));
    }
}

void tst_SheetSortFind::sortKeepsVisibilityAndWritesTheOrder()
{
    Open("visible_hidden_veryhidden.xls");
    const QString path = m_window->ActiveBookPath;
    Trigger("mnuDesc");
    const QStringList descending = {"Visible", "VeryHidden", "Hidden"};
    QCOMPARE(ListedNames(), descending);
    QCOMPARE(TableNames(), descending);
    QCOMPARE(BookNames(), descending);
    QVERIFY(m_window->SheetsChanged);
    QCOMPARE(m_window->Sheets().SortOrder, int(Qt::DescendingOrder));

    Trigger("tbSortAsc");
    const QStringList ascending = {"Hidden", "VeryHidden", "Visible"};
    QCOMPARE(ListedNames(), ascending);
    QCOMPARE(BookNames(), ascending);
    // The list items keep their keys, with the codes of the fill.
    QCOMPARE(m_window->Sheets().Key(0), path + "/00000*Hidden");
    QCOMPARE(m_window->Excel().SaveExcel(path), 0);

    // The saved book, read by its records: the order, and each sheet's own visibility.
    quirn::BookFile book;
    QVERIFY(!book.open(path));
    QCOMPARE(book.sheetCount(), 3);
    QCOMPARE(book.sheet(0).name, QString("Hidden"));
    QCOMPARE(book.sheet(0).visibility, quirn::SheetVisibility::Hidden);
    QCOMPARE(book.sheet(1).name, QString("VeryHidden"));
    QCOMPARE(book.sheet(1).visibility, quirn::SheetVisibility::VeryHidden);
    QCOMPARE(book.sheet(2).name, QString("Visible"));
    QCOMPARE(book.sheet(2).visibility, quirn::SheetVisibility::Visible);
    // And by the office.
    auto document = OfficeDocument::load(m_window->Excel().xlApp->office(), path);
    QCOMPARE(document->sheetNames(), ascending);
    QVERIFY(!document->isSheetVisible("Hidden"));
    QVERIFY(!document->isSheetVisible("VeryHidden"));
    QVERIFY(document->isSheetVisible("Visible"));
}

void tst_SheetSortFind::sortAfterDeletingSheets()
{
    Open("apostrophe_sheet_name.xls");
    // Sheet3 and Sheet1 deleted as the delete command leaves things.
    m_window->Excel().DeleteSheet("Sheet3");
    m_window->Excel().DeleteSheet("Sheet1");
    m_window->Sheets().BlankSheetNames({"Sheet3", "Sheet1"});
    QList<SheetTableEntry> remaining;
    for (const SheetTableEntry &entry : m_window->SheetTable)
        if (!entry.Name.isEmpty())
            remaining << entry;
    m_window->Sheets().RebuildSheetView(remaining);

    Trigger("mnuDesc");
    QCOMPARE(ListedNames(), QStringList({"Sheet2", "Seamus O'Reilly"}));
    QCOMPARE(BookNames(), QStringList({"Sheet2", "Seamus O'Reilly"}));
    QCOMPARE(TableNames(), QStringList({"Sheet2", "Seamus O'Reilly", "", ""}));
    QVERIFY(MessageBox::TakeShown().isEmpty());
    Trigger("mnuAsc");
    QCOMPARE(BookNames(), QStringList({"Seamus O'Reilly", "Sheet2"}));
    QCOMPARE(TableNames(), QStringList({"", "", "Seamus O'Reilly", "Sheet2"}));
}

void tst_SheetSortFind::japaneseNamesSortInTheBook()
{
    Open("japanese_sheet_names.xls");
    const QString path = m_window->ActiveBookPath;
    Trigger("mnuAsc");
    // Latin before kana before kanji, ignoring case.
    const QStringList ascending = {"NoContainsJapanese", "sheet日本語", "sheet日本語sheet", "日本語sheet", "日本語のみ"};
    QCOMPARE(ListedNames(), ascending);
    QCOMPARE(BookNames(), ascending);
    QCOMPARE(m_window->Excel().SaveExcel(path), 0);
    quirn::BookFile book;
    QVERIFY(!book.open(path));
    QStringList saved;
    for (const quirn::SheetFacts &facts : book.sheets())
        saved << facts.name;
    QCOMPARE(saved, ascending);
}

void tst_SheetSortFind::wholeOrderAtOnceAlsoInTheOffice()
{
    Open("apostrophe_sheet_name.xls");
    cExcel &excel = m_window->Excel();
    const QString book = "apostrophe_sheet_name.xls";
    // Unknown and repeated names are passed over; sheets not named follow.
    QCOMPARE(excel.SetSheetOrder(book, {"Sheet3", "Nope", "Sheet3", "Seamus O'Reilly"}), QString());
    QCOMPARE(BookNames(), QStringList({"Sheet3", "Seamus O'Reilly", "Sheet1", "Sheet2"}));

    // A sheet brought from another book, which may leave the book to the office.
    excel.OpenBook(BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls"));
    excel.CopySheet("hidden_third_sheet.xls", {"Sheet3"}, book, "Sheet1");
    excel.BookActive(book);
    QCOMPARE(BookNames().size(), 5);
    const QStringList wanted = {"Sheet2", "Sheet3 (2)", "Sheet1", "Seamus O'Reilly", "Sheet3"};
    QCOMPARE(excel.SetSheetOrder(book, wanted), QString());
    QCOMPARE(BookNames(), wanted);
    // The copy of a hidden sheet is still hidden.
    QCOMPARE(excel.GetSheetAttribute(book, "Sheet3 (2)") & 1, 0);
}

void tst_SheetSortFind::headerPressAlternates()
{
    Open("apostrophe_sheet_name.xls");
    QLabel *header = m_window->SheetHeader();
    // The first press after a fill sorts ascending and shows the header pressed.
    QTest::mousePress(header, Qt::LeftButton);
    QCOMPARE(header->frameShape(), QFrame::Box);
    QCOMPARE(ListedNames(), QStringList({"Seamus O'Reilly", "Sheet1", "Sheet2", "Sheet3"}));
    QCOMPARE(BookNames(), ListedNames());
    QTest::mouseRelease(header, Qt::LeftButton);
    QCOMPARE(header->frameShape(), QFrame::NoFrame);
    QTest::mouseClick(header, Qt::LeftButton);
    QCOMPARE(ListedNames(), QStringList({"Sheet3", "Sheet2", "Sheet1", "Seamus O'Reilly"}));
    QCOMPARE(BookNames(), ListedNames());
    // After the menu's descending sort the next press sorts ascending.
    Trigger("mnuDesc");
    QTest::mouseClick(header, Qt::LeftButton);
    QCOMPARE(ListedNames().first(), QString("Seamus O'Reilly"));
    cleanup();

    // With no sheets listed a press does nothing.
    QTest::mousePress(header, Qt::LeftButton);
    QCOMPARE(header->frameShape(), QFrame::NoFrame);
    QTest::mouseRelease(header, Qt::LeftButton);
}

void tst_SheetSortFind::sortRefusedByAProtectedBookChangesNothing()
{
    Open("wb_protected_default_password.xls");
    const QStringList order = BookNames();
    QCOMPARE(order.size(), 3);
    Trigger("mnuDesc");
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().text.startsWith("ｼｰﾄの並べ替えができませんでした。\r\n"));
    QCOMPARE(shown.first().style, 0x10u);
    // List, table and book agree on the book's own order; nothing to save.
    QCOMPARE(BookNames(), order);
    QCOMPARE(ListedNames(), order);
    QCOMPARE(TableNames(), order);
    QVERIFY(!m_window->SheetsChanged);
}

// ---------------------------------------------------------------- find

void tst_SheetSortFind::findFirstByPrefixOrWholeName()
{
    Open("apostrophe_sheet_name.xls");
    // Partial: names that begin with the text, ignoring case; the first one.
    QueueFind("sHEET", 2, 0);
    Trigger("mnuSheetFind");
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({0}));
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));
    QCOMPARE(m_window->PanelText(3), QString("1ｼｰﾄ選択"));
    QVERIFY(m_window->Action("tbSheetInf")->isEnabled());
    QVERIFY(MessageBox::TakeShown().isEmpty());
    // Text in the middle of a name is no match.
    QueueFind("Reilly", 2, 0);
    Trigger("tbFind");
    QVERIFY(m_window->Sheets().SelectedRows().isEmpty());
    QCOMPARE(MessageBox::TakeShown().size(), 1);

    // Whole: the whole name, ignoring case.
    QueueFind("SHEET3", 0, 0);
    Trigger("mnuSheetFind");
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({2}));
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet3"));
    QueueFind("Sheet", 0, 0);
    Trigger("mnuSheetFind");
    QVERIFY(m_window->Sheets().SelectedRows().isEmpty());
    QCOMPARE(MessageBox::TakeShown().size(), 1);
}

void tst_SheetSortFind::findAllAndFromTheLastSelected()
{
    Open("apostrophe_sheet_name.xls");
    QueueFind("s", 1, 0);
    Trigger("mnuSheetFind");
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({0, 1, 2, 3}));
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("4ｼｰﾄ検索されました。"));
    QCOMPARE(shown.first().style, 0x40u);
    QCOMPARE(m_window->PanelText(3), QString("4ｼｰﾄ選択"));
    // The last match becomes the current sheet; the single-sheet buttons go off.
    QCOMPARE(m_window->Title(1)->text(), QString("Seamus O'Reilly"));
    QVERIFY(!m_window->Action("tbSheetInf")->isEnabled());
    QVERIFY(!m_window->Action("tbExcelOpen")->isEnabled());

    // From the last selected sheet, which counts itself.
    Select({"Sheet1", "Sheet2"});
    QueueFind("sheet", 2, 1);
    Trigger("mnuSheetFind");
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({1}));
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet2"));
    QVERIFY(m_window->Action("tbSheetInf")->isEnabled());
    // All from there: Sheet2 and Sheet3.
    QueueFind("sheet", 1, 1);
    Trigger("mnuSheetFind");
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({1, 2}));
    QCOMPARE(MessageBox::TakeShown().first().text, QString("2ｼｰﾄ検索されました。"));
    // Nothing at or after the start: not found, even though Sheet1 matches.
    Select({"Seamus O'Reilly"});
    QueueFind("sheet", 2, 1);
    Trigger("mnuSheetFind");
    QVERIFY(m_window->Sheets().SelectedRows().isEmpty());
    QCOMPARE(MessageBox::TakeShown().size(), 1);
}

void tst_SheetSortFind::findNotFoundAndCancel()
{
    Open("apostrophe_sheet_name.xls");
    m_window->SetPanelText(3, "1ｼｰﾄ選択");
    QueueFind("Chart", 2, 0);
    Trigger("mnuSheetFind");
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("ｼｰﾄ\"Chart\" は見つかりませんでした。"));
    QCOMPARE(shown.first().style, 0x10u);
    QCOMPARE(shown.first().title, Globals::AppTitle);
    QVERIFY(m_window->PanelText(3).isEmpty());
    QVERIFY(m_window->Sheets().SelectedRows().isEmpty());

    // Cancel leaves nothing selected and says nothing.
    m_window->SheetView()->currentView()->selectAll();
    frmSheetFind::queueScript([](frmSheetFind &dialog) {
        dialog.findChild<QComboBox *>("Combo1")->setEditText("Sheet1");
        return false;
    });
    Trigger("mnuSheetFind");
    QVERIFY(frmSheetFind::FindSheetName.isEmpty());
    QVERIFY(m_window->Sheets().SelectedRows().isEmpty());
    QVERIFY(m_window->PanelText(3).isEmpty());
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QCOMPARE(frmSheetFind::FindStrings, QStringList({"Chart"}));

    // Esc is Cancel, whatever is clicked after it.
    frmSheetFind::queueScript([](frmSheetFind &dialog) {
        dialog.findChild<QComboBox *>("Combo1")->setEditText("Sheet1");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return true;
    });
    Trigger("mnuSheetFind");
    QVERIFY(frmSheetFind::FindSheetName.isEmpty());
    QVERIFY(m_window->Sheets().SelectedRows().isEmpty());
}

void tst_SheetSortFind::findDialogRemembersOptionsAndHistory()
{
    Open("apostrophe_sheet_name.xls");
    // A blank text leaves OK off; a name turns it on.
    frmSheetFind::queueScript([](frmSheetFind &dialog) {
        auto *ok = dialog.findChild<QPushButton *>("Command1_0");
        auto *combo = dialog.findChild<QComboBox *>("Combo1");
        if (ok->isEnabled() || !combo->currentText().isEmpty())
            return false;
        combo->setEditText("   ");
        const bool blankRefused = !ok->isEnabled();
        combo->setEditText("Sheet1");
        return blankRefused && ok->isEnabled() && dialog.windowTitle() == "ｼｰﾄ検索"
               && dialog.findChild<QRadioButton *>("Check1_2")->isChecked()
               && dialog.findChild<QRadioButton *>("Option1_0")->isChecked();
    });
    Trigger("mnuSheetFind");
    QCOMPARE(frmSheetFind::FindSheetName, QString("Sheet1"));
    QCOMPARE(frmSheetFind::FindWhole, 1);
    QCOMPARE(frmSheetFind::AllFind, 0);
    QCOMPARE(frmSheetFind::FindStart, 0);
    QueueFind("sheet1", 0, 1);
    Trigger("mnuSheetFind");
    QueueFind("Sheet1", 1, 0);
    Trigger("mnuSheetFind");
    MessageBox::TakeShown();
    // Each name once, oldest first, compared exactly; the last options stay.
    QCOMPARE(frmSheetFind::FindStrings, QStringList({"Sheet1", "sheet1"}));
    QStringList offered;
    int match = -1;
    int start = -1;
    frmSheetFind::queueScript([&](frmSheetFind &dialog) {
        auto *combo = dialog.findChild<QComboBox *>("Combo1");
        for (int i = 0; i < combo->count(); ++i)
            offered << combo->itemText(i);
        for (int i = 0; i < 3; ++i)
            if (dialog.findChild<QRadioButton *>(QStringLiteral("Check1_%1").arg(i))->isChecked())
                match = i;
        for (int i = 0; i < 2; ++i)
            if (dialog.findChild<QRadioButton *>(QStringLiteral("Option1_%1").arg(i))->isChecked())
                start = i;
        // Picking a name of the list turns OK on.
        combo->activated(1);
        // Left in the test's folder for a look.
        dialog.adjustSize();
        dialog.grab().save("frmSheetFind.png");
        return dialog.findChild<QPushButton *>("Command1_0")->isEnabled();
    });
    Trigger("mnuSheetFind");
    QCOMPARE(offered, QStringList({"Sheet1", "sheet1"}));
    QCOMPARE(match, 1);
    QCOMPARE(start, 0);
}

// ---------------------------------------------------------------- names and information

void tst_SheetSortFind::namesToTheClipboard()
{
    Open("apostrophe_sheet_name.xls");
    Select({"Sheet1", "Sheet3", "Seamus O'Reilly"});
    Trigger("mnuSheetNameGet");
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("Sheet1\r\nSheet3\r\nSeamus O'Reilly\r\n"));
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("選択した 3ｼｰﾄの ｼｰﾄ名をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰしました。"));
    QCOMPARE(shown.first().style, 0x40u);
    QCOMPARE(m_window->Action("mnuSheetNameGet")->shortcut(), QKeySequence("F12"));

    Select({});
    QGuiApplication::clipboard()->setText("kept");
    Trigger("mnuSheetNameGet");
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("ｼｰﾄ名が選択されていません。"));
    QCOMPARE(shown.first().style, 0x10u);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("kept"));
}

void tst_SheetSortFind::informationCaptions()
{
    Open("chartsheet_data_chart.xls");
    Select({"Data"});
    Trigger("mnuSheetInf");
    QMenu *info = m_window->Popup("SheetPopPropaty");
    QVERIFY(info->isVisible());
    info->grab().save("SheetPopPropaty.png");
    info->hide();
    QCOMPARE(Caption("SheetPopName"), QString("ｼｰﾄ名 ： Data"));
    const int pages = m_window->Excel().GetPageOFSheet("Data");
    QVERIFY(pages > 0);
    QCOMPARE(Caption("SheetPopPage"), QString("印刷ﾍﾟｰｼﾞ数 ： %1").arg(pages));
    QCOMPARE(Caption("SheetPopRows"), QString("最大行番号 ： 7"));
    QCOMPARE(Caption("SheetPopColumns"), QString("最大桁番号 ： 13(M)"));

    // A chart sheet prints on one page.
    Select({"Chart1"});
    Trigger("tbSheetInf");
    info->hide();
    QCOMPARE(Caption("SheetPopName"), QString("ｼｰﾄ名 ： Chart1"));
    QCOMPARE(Caption("SheetPopPage"), QString("印刷ﾍﾟｰｼﾞ数 ： 1"));
    cleanup();

    // An empty sheet: the office renders one blank page; Excel's last cell A1.
    Open("kinds_ws_chart_xlm_dialog_vba.xls");
    Select({"Sheet1"});
    Trigger("mnuSheetInf");
    info->hide();
    QCOMPARE(Caption("SheetPopName"), QString("ｼｰﾄ名 ： Sheet1"));
    QCOMPARE(Caption("SheetPopPage"), QString("印刷ﾍﾟｰｼﾞ数 ： 1"));
    QCOMPARE(Caption("SheetPopRows"), QString("最大行番号 ： 1"));
    QCOMPARE(Caption("SheetPopColumns"), QString("最大桁番号 ： 1(A)"));
    QVERIFY(MessageBox::TakeShown().isEmpty());

    // A sheet that gives no page count (gone from the book): question marks.
    m_window->Title(1)->setText("Gone");
    m_window->Action("SheetPopPropaty")->setEnabled(true);
    emit m_window->Popup("menuSheetPopup")->aboutToShow();
    QCOMPARE(Caption("SheetPopName"), QString("ｼｰﾄ名 ： Gone"));
    QCOMPARE(Caption("SheetPopPage"), QString("印刷ﾍﾟｰｼﾞ数 ： ?"));
    QCOMPARE(Caption("SheetPopRows"), QString("最大行番号 ： ?"));
    QCOMPARE(Caption("SheetPopColumns"), QString("最大桁番号 ： ?"));
    QCOMPARE(MessageBox::TakeShown().size(), 1);
}

void tst_SheetSortFind::informationSettingsAndPopups()
{
    Open("sheets_66_ampersand.xls");
    QMenu *info = m_window->Popup("SheetPopPropaty");
    // Several sheets selected: no information.
    Select({m_window->Sheets().Text(0), m_window->Sheets().Text(1)});
    Trigger("mnuSheetInf");
    QVERIFY(!info->isVisible());

    // The settings show and hide the lines; other values leave them as they are.
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "SheetInf1", "0");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "SheetInf3", "0");
    QString name;
    for (int row = 0; row < m_window->Sheets().Count() && name.isEmpty(); ++row)
        if (m_window->Sheets().Text(row).contains(u'&'))
            name = m_window->Sheets().Text(row);
    QVERIFY(!name.isEmpty());
    Select({name});
    Trigger("mnuSheetInf");
    info->hide();
    QVERIFY(m_window->Action("SheetPopName")->isVisible());
    QVERIFY(!m_window->Action("SheetPopPage")->isVisible());
    QVERIFY(m_window->Action("SheetPopRows")->isVisible());
    QVERIFY(!m_window->Action("SheetPopColumns")->isVisible());
    // The name shows as it is: "&" marks no shortcut.
    QCOMPARE(Caption("SheetPopName"), "ｼｰﾄ名 ： " + QString(name).replace("&", "&&"));
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "SheetInf1", "2");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "SheetInf3", "1");
    Trigger("mnuSheetInf");
    info->hide();
    QVERIFY(!m_window->Action("SheetPopPage")->isVisible());
    QVERIFY(m_window->Action("SheetPopColumns")->isVisible());

    // Opening the sheet popup fills the submenu for the current sheet.
    const QString current = m_window->Sheets().Text(5);
    m_window->Title(1)->setText(current);
    m_window->Action("SheetPopPropaty")->setEnabled(true);
    emit m_window->Popup("menuSheetPopup")->aboutToShow();
    QCOMPARE(Caption("SheetPopName"), "ｼｰﾄ名 ： " + QString(current).replace("&", "&&"));
    // Not while the submenu is off.
    m_window->Action("SheetPopPropaty")->setEnabled(false);
    m_window->Title(1)->setText(m_window->Sheets().Text(6));
    emit m_window->Popup("menuSheetPopup")->aboutToShow();
    QCOMPARE(Caption("SheetPopName"), "ｼｰﾄ名 ： " + QString(current).replace("&", "&&"));
}

QTEST_MAIN(tst_SheetSortFind)
#include "tst_sheetsortfind.moc"
