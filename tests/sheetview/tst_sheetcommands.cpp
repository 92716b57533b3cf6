#include "HostileBooks.h"
#include "IsolatedStore.h"
#include "SheetClipboard.h"
#include "SheetCommandHarness.h"
#include "SheetEditing.h"
#include "SheetIcons.h"
#include "SheetKey.h"

#include <QLabel>
#include <QLineEdit>

static IsolatedStore g_store;

using Sheet = SheetCommandHarness::Sheet;

// The sheet commands within one book, on copies of real books in a real
// window and a real engine; every change is saved and read back.
class tst_SheetCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void renameRefusalsKeepTheOldName();
    void renameFollowsThroughTablesAndFile();
    void deleteWarnsConfirmsAndDeletes();
    void showAndHideKeepTheTableInStep();
    void aVeryHiddenSheetShownAndHiddenIsHidden();
    void namesOtherProgramsWriteAreTakenWhole();
    void macroSheetsAreLeftAsTheyAre();
    void copyPastedTwiceCopiesTheCopies();
    void cutAndPasteMoves();
    void aFillEmptiesTheClipboard();
    void dragWithCtrlCopiesAndWithShiftMoves();
    void restrictedBookTakesNoCommands();
    void popupActsOnTheRightClickedSheet();

private:
    QString Open(const QString &fixture);
    QList<Sheet> Saved(const QString &path);
    void Rename(const QString &from, const QString &to);
    int IconOf(const QString &name) const;

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<SheetCommandHarness> m_ui;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_SheetCommands::initTestCase()
{
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
    m_ui = std::make_unique<SheetCommandHarness>(*m_window);
}

void tst_SheetCommands::init()
{
    BookViewHarness::Script();
    m_dir = std::make_unique<QTemporaryDir>();
    BookViewHarness::FreshSettings();
}

void tst_SheetCommands::cleanup()
{
    m_window->BookRestriction = 0;
    BookViewHarness::RemoveAllBooks(*m_window);
    for (const char *popup : {"menuSheetMovePopup", "menuBookMovePopup", "menuSheetPopup"})
        m_window->Popup(popup)->hide();
    QCoreApplication::processEvents();
}

QString tst_SheetCommands::Open(const QString &fixture)
{
    return m_ui->Open(m_dir->path(), {fixture}).first();
}

// Saves the current book and checks that its records and the office agree.
QList<Sheet> tst_SheetCommands::Saved(const QString &path)
{
    if (m_window->Excel().SaveExcel(path) != 0)
        return {{m_window->Excel().LastSaveError(), false}};
    const QList<Sheet> records = SheetCommandHarness::Records(path);
    if (m_ui->Office(path) != records)
        return {{"the office reads the book otherwise", false}};
    return records;
}

// Renames through the label editor: F2 in the list, the new text, Enter.
void tst_SheetCommands::Rename(const QString &from, const QString &to)
{
    m_ui->Select({from});
    m_ui->Key(Qt::Key_F2);
    // Editors of earlier edits may wait for deletion: the open one is visible.
    QLineEdit *editor = nullptr;
    for (QLineEdit *line : m_window->SheetView()->currentView()->viewport()->findChildren<QLineEdit *>()) {
        if (line->isVisible())
            editor = line;
    }
    QVERIFY(editor);
    QCOMPARE(m_window->Editing().EditedSheetItem.row(), m_ui->Row(from));
    editor->setText(to);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_window->Editing().EditedSheetItem.isValid());
}

int tst_SheetCommands::IconOf(const QString &name) const
{
    const QIcon icon = m_window->SheetView()->model()->index(m_ui->Row(name), 0).data(Qt::DecorationRole).value<QIcon>();
    for (int i = 0; i < SheetIcons::Count; ++i) {
        if (icon.cacheKey() == SheetIcons::Icon(i).cacheKey())
            return i;
    }
    return -1;
}

// ---------------------------------------------------------------- rename

void tst_SheetCommands::renameRefusalsKeepTheOldName()
{
    const QString path = Open("hidden_third_sheet.xls");
    const QString key = m_window->Sheets().Key(m_ui->Row("Sheet2"));

    // The same name: nothing happens at all.
    Rename("Sheet2", "Sheet2");
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QVERIFY(!m_window->SheetsChanged);

    const QStringList refused = {"", QString(32, u'x'), "sheet1", "SHEET3", "a/b", "a[1]", "what?", "'quoted'"};
    for (const QString &name : refused) {
        Rename("Sheet2", name);
        const auto shown = MessageBox::TakeShown();
        QVERIFY2(shown.size() == 1, qPrintable(name));
        QCOMPARE(shown.first().style, 0x10u);
        QVERIFY(!shown.first().text.isEmpty());
        QCOMPARE(m_window->Sheets().Text(1), QString("Sheet2"));
        QCOMPARE(m_window->Sheets().Key(1), key);
        QCOMPARE(m_window->SheetTable.at(1).Name, QString("Sheet2"));
        QVERIFY(!m_window->SheetsChanged);
    }
    QCOMPARE(Saved(path).at(1).name, QString("Sheet2"));
}

void tst_SheetCommands::renameFollowsThroughTablesAndFile()
{
    const QString path = Open("hidden_third_sheet.xls");
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));
    ReserveBookEntry reserved;
    reserved.Path = path;
    reserved.Reserved = true;
    reserved.Sheets = {{"Sheet1", true}};
    m_window->Reserve.Entries = {reserved};

    Rename("Sheet1", "売上 2024");
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QVERIFY(m_window->SheetsChanged);
    QCOMPARE(m_window->Sheets().Text(0), QString("売上 2024"));
    QCOMPARE(m_window->Sheets().Key(0), path + "/00001*売上 2024");
    QCOMPARE(m_window->SheetTable.at(0).Name, QString("売上 2024"));
    QCOMPARE(m_window->SheetTable.at(0).Key, path + "/00001*売上 2024");
    // The title of the current sheet and its reservation follow the name.
    QCOMPARE(m_window->Title(1)->text(), QString("売上 2024"));
    QVERIFY(m_window->Reserve.IsSheetReserved(path, "売上 2024"));
    // A rename that differs only in letter case is a rename.
    Rename("Sheet4", "SHEET4");
    QCOMPARE(m_window->Sheets().Text(3), QString("SHEET4"));

    QCOMPARE(Saved(path), (QList<Sheet>{{"売上 2024", true}, {"Sheet2", true}, {"Sheet3", false}, {"SHEET4", true}}));
}

// ---------------------------------------------------------------- delete

void tst_SheetCommands::deleteWarnsConfirmsAndDeletes()
{
    const QString path = Open("hidden_third_sheet.xls");
    m_ui->Select({});
    m_ui->Key(Qt::Key_Delete);
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("削除するｼｰﾄを選択してください。"));
    QCOMPARE(shown.first().style, 0x30u);

    // Every visible sheet: refused before the question.
    m_ui->Select({"Sheet1", "Sheet2", "Sheet4"});
    m_ui->Key(Qt::Key_Delete);
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("ﾌﾞｯｸ内に表示ｼｰﾄがなくなるため削除できません。"));

    // Cancel deletes nothing.
    m_ui->Select({"Sheet2", "Sheet3"});
    MessageBox::QueueAnswer(MessageBox::IDCANCEL);
    m_ui->Key(Qt::Key_Delete);
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, path + " から 選択された ｼｰﾄ を削除します。よろしいですか。");
    QCOMPARE(shown.first().style, 0x21u);
    QCOMPARE(m_window->Sheets().Count(), 4);
    QVERIFY(!m_window->SheetsChanged);

    // OK deletes, the hidden sheet included.
    m_window->SetPanelText(1, "before");
    MessageBox::QueueAnswer(MessageBox::IDOK);
    m_window->Action("mnuSheetDel")->setEnabled(true);
    m_window->Action("mnuSheetDel")->trigger();
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet4"}));
    QCOMPARE(m_window->SheetHeader()->text(), QString("  ｼｰﾄ    (ﾌﾞｯｸ内ｼｰﾄ数 : 2)"));
    QCOMPARE(m_window->SheetTable.size(), 4);
    QVERIFY(m_window->SheetTable.at(1).Name.isEmpty());
    QVERIFY(m_window->SheetTable.at(2).Name.isEmpty());
    QCOMPARE(m_window->PanelText(1), QString("before"));
    QCOMPARE(m_window->PanelText(3), QString("1ｼｰﾄ選択"));
    QVERIFY(m_window->SheetsChanged);
    QCOMPARE(Saved(path), (QList<Sheet>{{"Sheet1", true}, {"Sheet4", true}}));
}

// ---------------------------------------------------------------- show and hide

void tst_SheetCommands::showAndHideKeepTheTableInStep()
{
    const QString path = Open("hidden_third_sheet.xls");
    QAction *display = m_window->Action("SheetPopDisplay");
    QAction *hide = m_window->Action("SheetPopHide");
    display->setEnabled(true);
    hide->setEnabled(true);

    m_ui->Select({"Sheet3"});
    display->trigger();
    QCOMPARE(m_ui->Code("Sheet3"), QString("00001"));
    QCOMPARE(IconOf("Sheet3"), 0);
    QCOMPARE(m_window->SheetTable.at(2).Key, path + "/00001*Sheet3");
    QVERIFY(display->isChecked());
    QVERIFY(!hide->isChecked());
    QVERIFY(m_window->SheetsChanged);

    // Hiding every visible sheet is refused and changes nothing.
    m_ui->Select({"Sheet1", "Sheet2", "Sheet3", "Sheet4"});
    hide->trigger();
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("ﾌﾞｯｸ内に表示ｼｰﾄがなくなるため設定できません。"));
    QCOMPARE(m_ui->Code("Sheet1"), QString("00001"));
    QVERIFY(!hide->isChecked());

    m_ui->Select({"Sheet1", "Sheet2"});
    hide->trigger();
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet4"}));
    QCOMPARE(m_ui->Code("Sheet2"), QString("00000"));
    QCOMPARE(IconOf("Sheet1"), 1);
    QCOMPARE(m_window->SheetTable.at(0).Key, path + "/00000*Sheet1");
    QVERIFY(hide->isChecked());
    QCOMPARE(Saved(path), (QList<Sheet>{{"Sheet1", false}, {"Sheet2", false}, {"Sheet3", true}, {"Sheet4", true}}));
}

// Hide means hidden, also for a sheet that was very hidden until the user
// showed it from the popup.
void tst_SheetCommands::aVeryHiddenSheetShownAndHiddenIsHidden()
{
    const QString path = Open("visible_hidden_veryhidden.xls");
    QMenu *popup = m_ui->Popup("menuSheetPopup");
    // Shown from the popup of a right-click, hidden from the popup Enter opens.
    for (const char *item : {"SheetPopDisplay", "SheetPopHide"}) {
        m_ui->Select({"VeryHidden"});
        if (item == QLatin1String("SheetPopDisplay"))
            QTest::mouseClick(m_window->SheetView()->listView()->viewport(), Qt::RightButton, {},
                              m_ui->SheetPoint("VeryHidden"));
        else
            m_ui->Key(Qt::Key_Return);
        QVERIFY(popup->isVisible());
        m_ui->Choose("menuSheetPopup", item);
    }
    QCOMPARE(m_ui->Code("VeryHidden"), QString("00000"));
    QCOMPARE(m_window->Excel().SaveExcel(path), 0);
    quirn::BookFile book;
    QVERIFY(!book.open(path));
    QCOMPARE(book.sheet(2).name, QString("VeryHidden"));
    QCOMPARE(book.sheet(2).visibility, quirn::SheetVisibility::Hidden);
    QCOMPARE(m_ui->Office(path), (QList<Sheet>{{"Visible", true}, {"Hidden", false}, {"VeryHidden", false}}));
}

void tst_SheetCommands::namesOtherProgramsWriteAreTakenWhole()
{
    // "*" in a name, and one name twice (the second hidden), as other programs write.
    const QString path = m_dir->filePath("others.xls");
    QVERIFY(HostileBooks::writeBook(path, {"A*B", "B", "Data", "Data"}, {3}));
    BookViewHarness::Drop(*m_window, {path}, QPoint());
    QCOMPARE(m_ui->Listed(), (QStringList{"A*B", "B", "Data", "Data"}));
    // Each listed as it is.
    QVERIFY(m_window->Sheets().Key(2).endsWith("/00001*Data"));
    QVERIFY(m_window->Sheets().Key(3).endsWith("/00000*Data"));
    QAction *hide = m_window->Action("SheetPopHide");
    hide->setEnabled(true);

    m_ui->Select({"A*B"});
    hide->trigger();
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QCOMPARE(m_window->Sheets().Name(0), QString("A*B"));
    QCOMPARE(m_ui->Code("A*B"), QString("00000"));

    // A command by a name two sheets have is refused: it would not know which.
    m_ui->Select({"Data"});
    hide->trigger();
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().text.contains("\"Data\" という名前のｼｰﾄが複数"));
    QCOMPARE(m_window->Excel().SaveExcel(path), 0);
    QCOMPARE(SheetCommandHarness::Records(path),
             (QList<Sheet>{{"A*B", false}, {"B", true}, {"Data", true}, {"Data", false}}));
}

void tst_SheetCommands::macroSheetsAreLeftAsTheyAre()
{
    const QString path = Open("xlm_macro_autoopen.xls");
    const QList<Sheet> before = SheetCommandHarness::Records(path);
    QAction *display = m_window->Action("SheetPopDisplay");
    QAction *hide = m_window->Action("SheetPopHide");
    display->setEnabled(true);
    hide->setEnabled(true);
    QVERIFY(m_ui->Row("Macro1") >= 0);
    m_ui->Select({"Macro1"});
    display->trigger();
    QCOMPARE(m_ui->Code("Macro1"), QString("00002"));
    QCOMPARE(IconOf("Macro1"), 2);
    m_ui->Select(m_ui->Listed());
    hide->trigger();
    // The macro sheet never counts as visible: hiding every other sheet is refused.
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    QCOMPARE(m_ui->Code("Macro1"), QString("00002"));
    QCOMPARE(Saved(path).size(), before.size());
    QCOMPARE(SheetCommandHarness::Records(path), before);
}

// ---------------------------------------------------------------- clipboard within the book

void tst_SheetCommands::copyPastedTwiceCopiesTheCopies()
{
    const QString path = Open("hidden_third_sheet.xls");
    m_ui->Select({"Sheet3", "Sheet4"});
    m_ui->Key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(m_window->SheetClipboardMode, 0);
    QCOMPARE(m_window->Clipboard().SheetClipboardNames, (QStringList{"Sheet3", "Sheet4"}));

    m_ui->Select({"Sheet1"});
    m_ui->Key(Qt::Key_V, Qt::ControlModifier);
    QMenu *popup = m_ui->Popup("menuSheetMovePopup");
    QVERIFY(popup->isVisible());
    QCOMPARE(m_window->Action("PopBeforSheet")->text(), QString("Sheet1の前にｺﾋﾟｰ"));
    QCOMPARE(m_window->Action("PopAfterSheet")->text(), QString("Sheet1の後にｺﾋﾟｰ"));
    // The popup as shown, left in the test's folder for a look.
    QVERIFY(popup->grab().save("sheetpastepopup.png"));
    m_ui->Choose("menuSheetMovePopup", "PopAfterSheet");
    QVERIFY(!popup->isVisible());
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet3 (2)", "Sheet4 (2)", "Sheet2", "Sheet3", "Sheet4"}));
    // A copy of a hidden sheet is hidden, and keeps its source's code.
    QCOMPARE(IconOf("Sheet3 (2)"), 1);
    QCOMPARE(m_ui->Code("Sheet4 (2)"), QString("00001"));
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({1}));
    QCOMPARE(m_window->SheetTable.size(), 6);
    QCOMPARE(m_window->SheetTable.at(4).Key, path + "/00000*Sheet3 (2)");
    QCOMPARE(m_window->PanelText(3), QString("1ｼｰﾄ選択"));
    QCOMPARE(m_window->SheetHeader()->text(), QString("  ｼｰﾄ    (ﾌﾞｯｸ内ｼｰﾄ数 : 6)"));

    // The clipboard now names the copies: a second paste copies them.
    m_ui->Select({"Sheet2"});
    m_ui->Key(Qt::Key_V, Qt::ControlModifier);
    m_ui->Choose("menuSheetMovePopup", "PopBeforSheet");
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet3 (2)", "Sheet4 (2)", "Sheet3 (3)", "Sheet4 (3)", "Sheet2",
                                          "Sheet3", "Sheet4"}));
    QCOMPARE(m_window->SheetClipboardMode, 0);
    QVERIFY(m_window->grab().save("sheetcommands_window.png"));
    QCOMPARE(Saved(path), (QList<Sheet>{{"Sheet1", true},
                                        {"Sheet3 (2)", false},
                                        {"Sheet4 (2)", true},
                                        {"Sheet3 (3)", false},
                                        {"Sheet4 (3)", true},
                                        {"Sheet2", true},
                                        {"Sheet3", false},
                                        {"Sheet4", true}}));
}

void tst_SheetCommands::cutAndPasteMoves()
{
    const QString path = Open("hidden_third_sheet.xls");
    // Only the target in the clipboard: nothing moves.
    m_ui->Select({"Sheet4"});
    m_ui->Key(Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(m_window->SheetClipboardMode, 1);
    m_ui->Key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_window->Action("PopAfterSheet")->text(), QString("Sheet4の後に移動"));
    m_ui->Choose("menuSheetMovePopup", "PopAfterSheet");
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet4"}));
    QVERIFY(!m_window->SheetsChanged);

    // After the sheet that already precedes it: nothing changes, each listed once.
    m_ui->Select({"Sheet2"});
    m_ui->Key(Qt::Key_X, Qt::ControlModifier);
    m_ui->Select({"Sheet1"});
    m_ui->Key(Qt::Key_V, Qt::ControlModifier);
    m_ui->Choose("menuSheetMovePopup", "PopAfterSheet");
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet4"}));

    m_ui->Select({"Sheet1", "Sheet3"});
    m_ui->Key(Qt::Key_X, Qt::ControlModifier);
    m_ui->Select({"Sheet4"});
    m_ui->Key(Qt::Key_V, Qt::ControlModifier);
    m_ui->Choose("menuSheetMovePopup", "PopAfterSheet");
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet2", "Sheet4", "Sheet1", "Sheet3"}));
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({3}));
    QCOMPARE(m_ui->Code("Sheet3"), QString("00000"));
    QVERIFY(m_window->SheetsChanged);
    QCOMPARE(Saved(path), (QList<Sheet>{{"Sheet2", true}, {"Sheet4", true}, {"Sheet1", true}, {"Sheet3", false}}));
}

void tst_SheetCommands::aFillEmptiesTheClipboard()
{
    Open("hidden_third_sheet.xls");
    m_ui->Select({"Sheet1"});
    m_ui->Key(Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(m_window->SheetClipboardMode, 1);
    Open("page_breaks_manual.xls");
    QCOMPARE(m_window->SheetClipboardMode, -1);
    m_ui->Select({"Sheet2"});
    m_ui->Key(Qt::Key_V, Qt::ControlModifier);
    QVERIFY(!m_ui->Popup("menuSheetMovePopup")->isVisible());
    // Copy and paste need the sheet view to be the active pane.
    m_window->ActivePane = 0;
    m_window->Clipboard().Copy();
    QCOMPARE(m_window->SheetClipboardMode, -1);
}

void tst_SheetCommands::dragWithCtrlCopiesAndWithShiftMoves()
{
    const QString path = Open("hidden_third_sheet.xls");
    QWidget *viewport = m_window->SheetView()->listView()->viewport();

    m_ui->Select({"Sheet1"});
    std::unique_ptr<QMimeData> data(m_window->Sheets().DragData());
    QCOMPARE(SheetCommandHarness::DragTo(viewport, *data, m_ui->SheetPoint("Sheet4"), Qt::ControlModifier, false),
             Qt::CopyAction);
    // The drop mark: the item under the pointer is selected, the dragged one stays.
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({0, 3}));
    SheetCommandHarness::DragTo(viewport, *data, m_ui->SheetPoint("Sheet4"), Qt::ControlModifier, true);
    QCOMPARE(m_window->Action("PopBeforSheet")->text(), QString("Sheet4の前にｺﾋﾟｰ"));
    m_ui->Choose("menuSheetMovePopup", "PopAfterSheet");
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet4", "Sheet1 (2)"}));
    // Afterwards the item under the drop point is the one selected.
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({3}));
    // A drag does not change the clipboard mode.
    QCOMPARE(m_window->SheetClipboardMode, -1);

    m_ui->Select({"Sheet4"});
    data.reset(m_window->Sheets().DragData());
    QCOMPARE(SheetCommandHarness::DragTo(viewport, *data, m_ui->SheetPoint("Sheet1"), Qt::ShiftModifier, true),
             Qt::MoveAction);
    QCOMPARE(m_window->Action("PopBeforSheet")->text(), QString("Sheet1の前に移動"));
    m_ui->Choose("menuSheetMovePopup", "PopBeforSheet");
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet4", "Sheet1", "Sheet2", "Sheet3", "Sheet1 (2)"}));

    // Shift with Ctrl copies; cancelling the popup changes nothing.
    m_ui->Select({"Sheet2"});
    data.reset(m_window->Sheets().DragData());
    SheetCommandHarness::DragTo(viewport, *data, m_ui->SheetPoint("Sheet3"), Qt::ShiftModifier | Qt::ControlModifier,
                                true);
    QCOMPARE(m_window->Action("PopAfterSheet")->text(), QString("Sheet3の後にｺﾋﾟｰ"));
    m_ui->Choose("menuSheetMovePopup", "PopSheetCancel");
    QCOMPARE(m_ui->Listed().size(), 5);

    // A file list is not a sheet drag.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(path)});
    files.setData(SheetList::DragFormat, data->data(SheetList::DragFormat));
    QCOMPARE(SheetCommandHarness::DragTo(viewport, files, m_ui->SheetPoint("Sheet3"), Qt::NoModifier, false),
             Qt::IgnoreAction);
    QCOMPARE(Saved(path), (QList<Sheet>{{"Sheet4", true}, {"Sheet1", true}, {"Sheet2", true}, {"Sheet3", false},
                                        {"Sheet1 (2)", true}}));
}

void tst_SheetCommands::restrictedBookTakesNoCommands()
{
    const QString path = Open("read_only_recommended.xls");
    m_window->BookRestriction = 3;
    m_ui->Select({"Sheet2"});
    m_ui->Key(Qt::Key_Delete);
    m_ui->Key(Qt::Key_F2);
    for (QLineEdit *line : m_window->SheetView()->currentView()->viewport()->findChildren<QLineEdit *>())
        QVERIFY(!line->isVisible());
    m_ui->Key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(m_window->SheetClipboardMode, -1);
    std::unique_ptr<QMimeData> data(m_window->Sheets().DragData());
    QCOMPARE(SheetCommandHarness::DragTo(m_window->SheetView()->listView()->viewport(), *data,
                                         m_ui->SheetPoint("Sheet1"), Qt::NoModifier, true),
             Qt::IgnoreAction);
    QVERIFY(!m_ui->Popup("menuSheetMovePopup")->isVisible());
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet2", "Sheet3"}));
    QVERIFY(!m_window->SheetsChanged);
    Q_UNUSED(path);
}

QTEST_MAIN(tst_SheetCommands)

// ---------------------------------------------------------------- the popup and the title

// The sheet right-clicked is the one the popup shows and acts on; Enter that
// confirms a rename only confirms; the title never names a sheet deleted.
void tst_SheetCommands::popupActsOnTheRightClickedSheet()
{
    const QString path = Open("hidden_third_sheet.xls");
    QWidget *viewport = m_window->SheetView()->listView()->viewport();
    QMenu *popup = m_ui->Popup("menuSheetPopup");
    QTest::mouseClick(viewport, Qt::LeftButton, {}, m_ui->SheetPoint("Sheet1"));
    QTest::mouseClick(viewport, Qt::RightButton, {}, m_ui->SheetPoint("Sheet2"));
    QCoreApplication::processEvents();
    QVERIFY(popup->isVisible());
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet2"));
    QVERIFY(m_window->Action("SheetPopName")->text().endsWith("Sheet2"));
    for (const char *item : {"SheetPopPrint", "PrintReserve", "SheetPopRename"})
        QVERIFY2(m_window->Action(item)->isEnabled(), item);
    popup->hide();

    Rename("Sheet2", "売上");
    QVERIFY(!popup->isVisible());
    QCOMPARE(m_window->Title(1)->text(), QString("売上"));

    m_ui->Select({"売上"});
    MessageBox::QueueAnswer(MessageBox::IDOK);
    m_ui->Key(Qt::Key_Delete);
    QCoreApplication::processEvents();
    MessageBox::TakeShown();
    const QString title = m_window->Title(1)->text();
    QVERIFY2(title.isEmpty() || m_ui->Listed().contains(title), qPrintable(title));
    QCOMPARE(Saved(path), (QList<Sheet>{{"Sheet1", true}, {"Sheet3", false}, {"Sheet4", true}}));
}

#include "tst_sheetcommands.moc"
