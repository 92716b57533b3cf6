#include "BookFile.h"
#include "BookList.h"
#include "BookSelection.h"
#include "BookViewHarness.h"
#include "HelpWindow.h"
#include "MenuRules.h"
#include "IsolatedStore.h"
#include "ModalAnswer.h"
#include "SettingsStore.h"
#include "SheetEditing.h"
#include "SheetList.h"
#include "ToolbarDispatch.h"
#include "cExcel.h"
#include "cListView.h"
#include "frmMain.h"
#include "frmOptions.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <functional>
#include <memory>

// Set up before the application object, so nothing reads the user's folders.
static IsolatedStore g_store;

class tst_MenuRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void twoBooksSelected();
    void readOnlyActiveBook();
    void editMenuFollowsTheBookSelection();
    void toolMenuFollowsBookAndSheets();
    void pendingRenameIsSettledFirst();
    void shortcutsAndButtonsFollowTheState();
    void everyToolbarKeyRunsItsCommand();
    void toolbarButtonsRunLandedCommands();
    void optionsRebuildColumnsKeepingBooks();
    void optionsRefillSheetViewWithTheFilter();
    void optionsHideSheetInformationItems();
    void helpOpensOneWindow();

private:
    void OpenMenu(const char *name);
    bool Enabled(const char *name) const { return m_window->Action(QString::fromLatin1(name))->isEnabled(); }
    // Adds copies of the fixtures to the view; the first one becomes the active book.
    QStringList AddBooks(const QStringList &fixtures, bool readOnlyFirst = false);
    void SelectBooks(const QList<int> &rows);
    void Reserve(const QString &path, const QString &sheet);
    // Answers the options dialog the command opens: `edit` changes it, then OK.
    void AnswerOptions(std::function<void(QDialog &)> edit);

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_MenuRules::initTestCase()
{
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
}

void tst_MenuRules::cleanupTestCase()
{
    Globals::QuitWithoutPrompt = true;
    m_window.reset();
}

void tst_MenuRules::init()
{
    BookViewHarness::Script();
    MessageBox::TakeShown();
    SettingsMigration::DeleteAllSettings();
    m_dir = std::make_unique<QTemporaryDir>();
    m_window->Books().Clear();
    m_window->BuildBookColumns(3);
    m_window->Sheets().Clear();
    m_window->Title(0)->clear();
    m_window->ActiveBookPath.clear();
    m_window->BookRestriction = 0;
    m_window->SheetClipboardMode = -1;
    m_window->Reserve.Reset();
}

void tst_MenuRules::OpenMenu(const char *name)
{
    QMenu *menu = m_window->findChild<QMenu *>(QString::fromLatin1(name));
    QVERIFY(menu);
    emit menu->aboutToShow();
}

QStringList tst_MenuRules::AddBooks(const QStringList &fixtures, bool readOnlyFirst)
{
    QStringList paths;
    for (int i = 0; i < fixtures.size(); ++i) {
        const QString path =
            BookViewHarness::Copy(m_dir->path(), fixtures.at(i), QStringLiteral("book%1.xls").arg(i));
        if (i == 0 && readOnlyFirst)
            BookViewHarness::MakeReadOnly(path);
        m_window->Books().AddBookItem(path);
        paths << path;
    }
    SelectBooks({0});
    m_window->Selection().OpenSelectedBook(0);
    return paths;
}

void tst_MenuRules::SelectBooks(const QList<int> &rows)
{
    m_window->Books().DeselectAll();
    for (int row : rows)
        m_window->Books().Select(row);
}

void tst_MenuRules::Reserve(const QString &path, const QString &sheet)
{
    ReserveBookEntry entry;
    entry.Path = path;
    entry.Reserved = true;
    entry.Sheets = {ReserveSheetEntry{sheet, true}};
    m_window->Reserve.Entries.append(entry);
}

void tst_MenuRules::AnswerOptions(std::function<void(QDialog &)> edit)
{
    answerModal<QDialog>(this, [edit](QDialog &dialog) {
        edit(dialog);
        dialog.accept();
    }, "the options dialog");
}

// ---------------------------------------------------------------- drop-down rules

void tst_MenuRules::twoBooksSelected()
{
    const QStringList paths = AddBooks({"hidden_third_sheet.xls", "japanese_sheet_names.xls"});
    QCOMPARE(m_window->ActiveBookPath, paths.at(0));
    SelectBooks({0, 1});
    OpenMenu("mnuFile");
    QVERIFY(!Enabled("mnuFileSave"));
    QVERIFY(!Enabled("mnuFileNewSave"));
    QVERIFY(Enabled("mnuFileProperties"));
    QVERIFY(Enabled("mnuPrint"));
    QVERIFY(!Enabled("mnuReservePrint"));

    Reserve(paths.at(1), QStringLiteral("Sheet1"));
    OpenMenu("mnuFile");
    QVERIFY(Enabled("mnuReservePrint"));

    // Whatever the active book: none at all gives the same.
    m_window->ActiveBookPath.clear();
    OpenMenu("mnuFile");
    QVERIFY(!Enabled("mnuFileSave"));
    QVERIFY(Enabled("mnuPrint"));
    QVERIFY(Enabled("mnuReservePrint"));
}

void tst_MenuRules::readOnlyActiveBook()
{
    AddBooks({"hidden_third_sheet.xls"}, true);
    QCOMPARE(m_window->BookRestriction, 3);
    OpenMenu("mnuFile");
    QVERIFY(!Enabled("mnuFileSave"));
    QVERIFY(!Enabled("mnuFileNewSave"));
    QVERIFY(!Enabled("mnuFileProperties"));
    QVERIFY(Enabled("mnuFileDelete"));
    QVERIFY(Enabled("mnuPrint"));
    // No reservation at all.
    QVERIFY(!Enabled("mnuReservePrint"));

    // A writable active book without reservations: everything but reserved print.
    m_window->BookRestriction = 0;
    OpenMenu("mnuFile");
    QVERIFY(Enabled("mnuFileSave") && Enabled("mnuFileNewSave") && Enabled("mnuFileProperties"));
    QVERIFY(!Enabled("mnuReservePrint"));

    // No active book: the book commands are off.
    m_window->ActiveBookPath.clear();
    OpenMenu("mnuFile");
    QVERIFY(!Enabled("mnuFileSave") && !Enabled("mnuFileDelete") && !Enabled("mnuPrint"));
    QVERIFY(Enabled("mnuFileOpen"));
}

void tst_MenuRules::editMenuFollowsTheBookSelection()
{
    OpenMenu("mnuEdit");
    for (const char *name : {"mnuExcelOpen", "mnuSelAllBook", "mnuSelAllSheet", "mnuBookCopy", "mnuSheetInf"})
        QVERIFY2(!Enabled(name), name);

    AddBooks({"hidden_third_sheet.xls", "japanese_sheet_names.xls"});
    SelectBooks({0, 1});
    OpenMenu("mnuEdit");
    QVERIFY(!Enabled("mnuExcelOpen") && !Enabled("mnuSelAllBook") && !Enabled("mnuSelAllSheet"));
    QVERIFY(Enabled("mnuBookCopy") && Enabled("mnuSheetInf"));

    // One book: the sheet information item is left as the sheet view set it.
    SelectBooks({0});
    m_window->Action("mnuSheetInf")->setEnabled(false);
    OpenMenu("mnuEdit");
    QVERIFY(Enabled("mnuExcelOpen") && Enabled("mnuSelAllBook") && Enabled("mnuSelAllSheet"));
    QVERIFY(Enabled("mnuBookCopy"));
    QVERIFY(!Enabled("mnuSheetInf"));
}

void tst_MenuRules::toolMenuFollowsBookAndSheets()
{
    const char *sheetItems[] = {"mnuSheetFind", "mnuSheetSort", "mnuSheetRename", "mnuSheetDel", "mnuSheetCopy",
                                "mnuSheetCut", "mnuSheetPast", "mnuSheetReservPrint", "mnuSheetNameGet"};
    OpenMenu("mnuTool");
    for (const char *name : sheetItems)
        QVERIFY2(!Enabled(name), name);
    QVERIFY(Enabled("mnuTool"));

    AddBooks({"hidden_third_sheet.xls"});
    QVERIFY(m_window->Sheets().Count() >= 2);
    // The sheet clipboard is empty.
    OpenMenu("mnuTool");
    QVERIFY(!Enabled("mnuSheetPast"));
    QVERIFY(Enabled("mnuSheetFind") && Enabled("mnuSheetSort") && Enabled("mnuSheetReservPrint"));
    QVERIFY(Enabled("mnuSheetRename") && Enabled("mnuSheetDel"));
    m_window->SheetClipboardMode = 0;
    OpenMenu("mnuTool");
    QVERIFY(Enabled("mnuSheetPast"));

    // Two sheets selected in a writable book: no rename, the rest on.
    QAbstractItemView *sheets = m_window->SheetView()->currentView();
    sheets->selectionModel()->select(sheets->model()->index(0, 0), QItemSelectionModel::Select);
    sheets->selectionModel()->select(sheets->model()->index(1, 0), QItemSelectionModel::Select);
    QVERIFY(m_window->Sheets().MultipleSheetsSelected());
    OpenMenu("mnuTool");
    QVERIFY(!Enabled("mnuSheetRename"));
    for (const char *name : {"mnuSheetDel", "mnuSheetCopy", "mnuSheetCut", "mnuSheetNameGet"})
        QVERIFY2(Enabled(name), name);

    // A book that may not be changed: no sheet command that changes or takes sheets.
    m_window->BookRestriction = 3;
    OpenMenu("mnuTool");
    for (const char *name : {"mnuSheetRename", "mnuSheetDel", "mnuSheetCopy", "mnuSheetCut", "mnuSheetNameGet"})
        QVERIFY2(!Enabled(name), name);
    QVERIFY(Enabled("mnuSheetFind") && Enabled("mnuSheetPast"));

    // The reservation items follow the selected sheets: none reserved yet,
    // then the selected sheets reserved.
    m_window->BookRestriction = 0;
    sheets->selectionModel()->select(sheets->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
    sheets->selectionModel()->select(sheets->model()->index(1, 0), QItemSelectionModel::Select);
    OpenMenu("mnuTool");
    QVERIFY(Enabled("mnuReservSet"));
    QVERIFY(!Enabled("mnuReservReset") && !Enabled("mnuReservAllReset"));
    Reserve(m_window->ActiveBookPath, m_window->Sheets().Text(0));
    m_window->Reserve.Entries.last().Sheets.append(ReserveSheetEntry{m_window->Sheets().Text(1), true});
    OpenMenu("mnuTool");
    QVERIFY(!Enabled("mnuReservSet"));
    QVERIFY(Enabled("mnuReservReset") && Enabled("mnuReservAllReset"));
}

void tst_MenuRules::pendingRenameIsSettledFirst()
{
    AddBooks({"hidden_third_sheet.xls"});
    QAbstractItemView *sheets = m_window->SheetView()->currentView();
    auto startRename = [&](const QString &typed) {
        sheets->selectionModel()->setCurrentIndex(sheets->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
        m_window->Editing().StartRename();
        auto *editor = qobject_cast<QLineEdit *>(sheets->indexWidget(sheets->model()->index(0, 0)));
        if (editor)
            editor->setText(typed);
        return editor != nullptr;
    };

    // The File menu: the typed name is kept, and the view shows the book.
    QVERIFY(startRename(QStringLiteral("売上")));
    QVERIFY(m_window->Rules().RenamePending());
    OpenMenu("mnuFile");
    QVERIFY(!m_window->Rules().RenamePending());
    QCOMPARE(m_window->Sheets().Text(0), QStringLiteral("売上"));
    QVERIFY(m_window->SheetsChanged);
    QCOMPARE(m_window->Excel().GetSheetName(1), QStringLiteral("売上"));

    // A toolbar click settles it the same way.
    QVERIFY(startRename(QStringLiteral("売上2")));
    m_window->Action("tbAllBook")->trigger();
    QVERIFY(!m_window->Rules().RenamePending());
    QCOMPARE(m_window->Sheets().Text(0), QStringLiteral("売上2"));

    // A name the book refuses is reported and the old one stays.
    QVERIFY(startRename(QStringLiteral("a/b")));
    OpenMenu("mnuEdit");
    QVERIFY(!m_window->Rules().RenamePending());
    QCOMPARE(m_window->Sheets().Text(0), QStringLiteral("売上2"));
    QCOMPARE(MessageBox::TakeShown().size(), 1);

    // The View and Tool menus leave an open edit alone.
    QVERIFY(startRename(QStringLiteral("売上3")));
    OpenMenu("mnuView");
    OpenMenu("mnuTool");
    QVERIFY(m_window->Rules().RenamePending());
    sheets->setFocus();
    m_window->Rules().FinishPendingRename();
}

// The rules run whenever the state changes, not only when a menu drops
// down: a shortcut works exactly when its item would be enabled, and the
// toolbar shows what can be done.
void tst_MenuRules::shortcutsAndButtonsFollowTheState()
{
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    const char *bookButtons[] = {"tbFileSave", "tbPrint", "tbReservPrint", "tbProperties", "tbSheetInf",
                                 "tbExcelOpen", "tbCopyBook", "tbDelete", "tbAllSheet", "tbSortAsc",
                                 "tbSortDsc", "tbFind"};
    QCoreApplication::processEvents();
    for (const char *name : bookButtons)
        QVERIFY2(!Enabled(name), name);
    QVERIFY(Enabled("tbFileOpen"));

    // A sheet renamed with F2 and saved with Ctrl+S, no menu opened between.
    const QString path = AddBooks({"hidden_third_sheet.xls", "japanese_sheet_names.xls"}).first();
    QAbstractItemView *sheets = m_window->SheetView()->currentView();
    sheets->setFocus();
    QTest::keyClick(sheets, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(sheets->indexWidget(sheets->model()->index(0, 0)));
    QVERIFY(editor);
    editor->setText(QStringLiteral("売上"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QVERIFY(m_window->SheetsChanged);
    for (const char *name : {"tbFileSave", "tbPrint", "tbSortAsc", "tbFind", "tbSheetInf"})
        QVERIFY2(Enabled(name), name);
    QTest::keyClick(sheets, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!m_window->SheetsChanged);
    quirn::BookFile saved;
    QVERIFY(!saved.open(path));
    QCOMPARE(saved.sheets().first().name, QStringLiteral("売上"));

    // Two books selected: no saving, by key or button, until one is chosen.
    m_window->BookView()->currentView()->selectAll();
    QTest::keyClick(sheets, Qt::Key_F2);
    QVERIFY(!m_window->Editing().EditedSheetItem.isValid());
    QVERIFY(!Enabled("tbFileSave") && !Enabled("mnuFileSave"));
    QVERIFY(Enabled("tbPrint") && Enabled("tbCopyBook"));

    // A reservation made and undone by the popup's items turns reserved
    // printing on and off again.
    SelectBooks({0});
    QCoreApplication::processEvents();
    sheets->selectionModel()->setCurrentIndex(sheets->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
    m_window->Action("PrintReserveSet")->trigger();
    QVERIFY(Enabled("tbReservPrint") && Enabled("mnuReservePrint"));
    m_window->Action("PrintReserveAllReset")->trigger();
    QVERIFY(!Enabled("tbReservPrint") && !Enabled("mnuReservePrint"));
}

// ---------------------------------------------------------------- toolbar

void tst_MenuRules::everyToolbarKeyRunsItsCommand()
{
    MenuRules rules(*m_window);
    ToolbarDispatch dispatch(rules);
    QStringList ran;
    for (const QString &key : ToolbarDispatch::Keys())
        dispatch.Register(key, [&ran, key] { ran << key; });
    for (const QString &key : ToolbarDispatch::Keys()) {
        ran.clear();
        dispatch.Click(key);
        QCOMPARE(ran, QStringList{key});
        // The window's button carries the key its click is dispatched on.
        QAction *button = m_window->Action(QStringLiteral("tb") + key);
        QVERIFY2(button, qPrintable(key));
        QCOMPARE(button->data().toString(), key);
    }
    ran.clear();
    for (const char *unknown : {"fileopen", "FILEOPEN", "Help", ""})
        dispatch.Click(QString::fromLatin1(unknown));
    QVERIFY(!dispatch.Dispatch(QStringLiteral("File Open")));
    QVERIFY(ran.isEmpty());
}

void tst_MenuRules::toolbarButtonsRunLandedCommands()
{
    // The commands whose classes are in the program so far.
    for (const char *key : {"FileNew", "FileSave", "FileOpen", "CopyBook", "Delete", "AllBook", "AllSheet",
                            "Properties", "SheetInf", "ExcelOpen", "ViewLarge", "ViewSmall", "ViewList",
                            "ViewDetails", "Find", "SortAsc", "SortDsc", "Print", "ReservPrint"})
        QVERIFY2(m_window->Toolbar().Has(QString::fromLatin1(key)), key);

    AddBooks({"hidden_third_sheet.xls", "japanese_sheet_names.xls"});
    SelectBooks({0});
    m_window->Action("tbAllBook")->trigger();
    QCOMPARE(m_window->Books().CountSelected(), 2);
    m_window->Action("tbViewList")->trigger();
    QCOMPARE(m_window->BookView()->viewMode(), 2);
    m_window->Action("tbViewDetails")->trigger();
    QCOMPARE(m_window->BookView()->viewMode(), 3);

    // A sheet command through its button: the active book's sheets sorted.
    SelectBooks({0});
    m_window->Selection().OpenSelectedBook(0);
    m_window->Action("tbSortDsc")->trigger();
    QCOMPARE(m_window->Sheets().Text(0), QStringLiteral("Sheet4"));
    m_window->Action("tbSortAsc")->trigger();
    QCOMPARE(m_window->Sheets().Text(0), QStringLiteral("Sheet1"));
}

// ---------------------------------------------------------------- options command

void tst_MenuRules::optionsRebuildColumnsKeepingBooks()
{
    const QStringList paths = AddBooks({"hidden_third_sheet.xls", "japanese_sheet_names.xls", "vba_module1.xls"});
    m_window->Title(0)->setText(paths.at(0));
    m_window->Action("mnuListViewMode_2")->trigger();
    SelectBooks({1});
    const int columns = m_window->BookView()->model()->columnCount();
    AnswerOptions([](QDialog &d) { d.findChild<QCheckBox *>("chkListViewItem_1")->setChecked(false); });
    m_window->Action("mnuViewOptions")->trigger();
    QVERIFY(frmOptions::ColumnsChanged);
    QCOMPARE(m_window->BookView()->model()->columnCount(), columns - 1);
    QCOMPARE(m_window->BookColumnPosition[2], 0);
    QCOMPARE(m_window->Books().Count(), 3);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(m_window->Books().Key(row), paths.at(row));
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>{1});
    // The mode the view shows is kept, though the menu's choice is not stored yet.
    QCOMPARE(m_window->BookView()->viewMode(), 2);

    // With no active book the books are kept all the same.
    m_window->Title(0)->clear();
    m_window->ActiveBookPath.clear();
    AnswerOptions([](QDialog &d) { d.findChild<QCheckBox *>("chkListViewItem_1")->setChecked(true); });
    m_window->Action("mnuViewOptions")->trigger();
    QCOMPARE(m_window->Books().Count(), 3);
    QCOMPARE(m_window->BookView()->model()->columnCount(), columns);
    QCOMPARE(m_window->Books().ColumnText(2, m_window->BookColumnPosition[2]).isEmpty(), false);
}

void tst_MenuRules::optionsRefillSheetViewWithTheFilter()
{
    AddBooks({"hidden_third_sheet.xls"});
    m_window->BookView()->currentView()->setCurrentIndex(m_window->BookView()->model()->index(0, 0));
    QCOMPARE(m_window->Sheets().Count(), 4);
    AnswerOptions([](QDialog &d) { d.findChild<QCheckBox *>("Check3_0")->click(); });
    m_window->Action("mnuViewOptions")->trigger();
    QVERIFY(frmOptions::SheetFilterChanged);
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Option", "SheetVisible"), QStringLiteral("1000"));
    QCOMPARE(m_window->Sheets().Count(), 3);
    // The engine let the book go (as after a print run): it is reopened first.
    m_window->Excel().CloseExcel();
    AnswerOptions([](QDialog &d) { d.findChild<QCheckBox *>("Check3_0")->click(); });
    m_window->Action("mnuViewOptions")->trigger();
    QCOMPARE(m_window->Sheets().Count(), 4);

    // Print options only: the view is not refilled.
    m_window->Sheets().Clear();
    AnswerOptions([](QDialog &d) { d.findChild<QCheckBox *>("Check4_0")->click(); });
    m_window->Action("mnuViewOptions")->trigger();
    QVERIFY(!frmOptions::SheetFilterChanged && !frmOptions::ColumnsChanged);
    QCOMPARE(m_window->Sheets().Count(), 0);
}

void tst_MenuRules::optionsHideSheetInformationItems()
{
    QAction *info = m_window->Action("SheetPopPropaty");
    QVERIFY(info->isVisible());
    AnswerOptions([](QDialog &d) { d.findChild<QCheckBox *>("Check2")->setChecked(true); });
    m_window->Action("mnuViewOptions")->trigger();
    QVERIFY(!info->isVisible());
    QVERIFY(!m_window->Action("PopBar2")->isVisible());
    AnswerOptions([](QDialog &d) { d.findChild<QCheckBox *>("Check2")->setChecked(false); });
    m_window->Action("mnuViewOptions")->trigger();
    QVERIFY(info->isVisible());
    QVERIFY(m_window->Action("PopBar2")->isVisible());
}

// ---------------------------------------------------------------- help

void tst_MenuRules::helpOpensOneWindow()
{
    HelpWindow::ProgramFolder = QStringLiteral(QUIRN_APP_DIR);
    QVERIFY(!HelpWindow::HelpFolder().isEmpty());
    auto helpWindows = [] {
        int count = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            count += w->windowTitle() == HelpWindow::Title && !w->isHidden();
        return count;
    };
    QCOMPARE(helpWindows(), 0);
    m_window->Action("mnuHelpShow")->trigger();
    m_window->Action("mnuHelpShow")->trigger();
    QCOMPARE(helpWindows(), 1);
    HelpWindow *help = HelpWindow::Find();
    QVERIFY(help);
    // The manual itself, with its pictures, is shown.
    QVERIFY(help->Browser()->toPlainText().contains(QStringLiteral("Quirn")));
    QVERIFY(help->Browser()->source().toLocalFile().endsWith(QStringLiteral("help/index.html")));
    QCOMPARE(m_window->Action("mnuHelpShow")->shortcut(), QKeySequence(Qt::Key_F1));
    help->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(helpWindows(), 0);

    // Nothing beside the program and nothing installed: a window that says so.
    HelpWindow::ProgramFolder = m_dir->path();
    HelpWindow::Show();
    QVERIFY(HelpWindow::Find()->Browser()->toPlainText().contains(QStringLiteral("見つかりません")));
    HelpWindow::Find()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(MessageBox::TakeShown().isEmpty());
}

QTEST_MAIN(tst_MenuRules)
#include "tst_menurules.moc"
