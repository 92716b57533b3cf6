#include "BookImport.h"
#include "BookList.h"
#include "BookSelection.h"
#include "BookViewHarness.h"
#include "IsolatedStore.h"
#include "MenuRules.h"
#include "SettingsStore.h"
#include "SheetIcons.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "WarningSetting.h"
#include "cExcel.h"
#include "cListView.h"
#include "OfficeProcess.h"

#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QMouseEvent>
#include <QPointer>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStandardItemModel>
#include <QUrl>

static IsolatedStore g_store;

class tst_SheetView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void keysAreTakenApartFromTheRight();
    void iconForEveryAttributeWord();
    void filterKeepsCategoriesOut();
    void iconsAreDistinctAtSixteenPixels();
    void fillListsKindsWithTheirIcons();
    void filter1111ListsOnlyPlainVisibleWorksheets();
    void hiddenProtectedSheetNeedsBothCharacters();
    void rebuildFromKeysKeepsIcons();
    void clickingTheCurrentSheetChangesNothing();
    void ctrlAndShiftClicksKeepTheTitles();
    void clickStatusAndSingleSheetCommands();
    void reservedSheetIsMarked();
    void doubleClickOnHiddenOrMacroSheetWarns();
    void handingOverWithoutADisplayIsTold();
    void popupRulesForMacroAndRestrictedSheets();
    void popupEditingItemsFollowTheSelection_data();
    void popupEditingItemsFollowTheSelection();
    void selectAllSheets();
    void dragCarriesTheSelectedKeys();
    void aDragStartsAnyWayAndCarriesWhatIsShown_data();
    void aDragStartsAnyWayAndCarriesWhatIsShown();
    void tableLookups();

private:
    void Open(const QString &fixture, const QString &filter = "0000");
    int Row(const QString &name) const;
    int IconOf(int row) const;
    void Click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton);
    QString Panel(int i) const { return m_window->PanelText(i); }

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_SheetView::initTestCase()
{
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
}

void tst_SheetView::init()
{
    BookViewHarness::Script();
    m_dir = std::make_unique<QTemporaryDir>();
    BookViewHarness::FreshSettings();
}

void tst_SheetView::cleanup()
{
    BookViewHarness::RemoveAllBooks(*m_window);
    m_window->Reserve.Reset();
}

void tst_SheetView::Open(const QString &fixture, const QString &filter)
{
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "SheetVisible", filter);
    const QString path = BookViewHarness::Copy(m_dir->path(), fixture);
    BookViewHarness::Drop(*m_window, {path}, QPoint());
    QCOMPARE(m_window->ActiveBookPath, path);
}

int tst_SheetView::Row(const QString &name) const
{
    for (int row = 0; row < m_window->Sheets().Count(); ++row) {
        if (m_window->Sheets().Text(row) == name)
            return row;
    }
    return -1;
}

int tst_SheetView::IconOf(int row) const
{
    const QIcon icon = m_window->SheetView()->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
    for (int i = 0; i < SheetIcons::Count; ++i) {
        if (icon.cacheKey() == SheetIcons::Icon(i).cacheKey())
            return i;
    }
    return -1;
}

void tst_SheetView::Click(int row, Qt::KeyboardModifiers modifiers, Qt::MouseButton button)
{
    m_window->SheetView()->setViewMode(cListView::List);
    QListView *view = m_window->SheetView()->listView();
    const QPoint at = view->visualRect(m_window->SheetView()->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), button, modifiers, at);
    QCoreApplication::processEvents();
}

// ---------------------------------------------------------------- keys, icons, filter

void tst_SheetView::keysAreTakenApartFromTheRight()
{
    const QString path = "/home/u/a*b/00001*x/Book.xls";
    const QString key = SheetKey::Make(path, 17, "Sheet 1");
    QCOMPARE(key, path + "/00017*Sheet 1");
    // Names other programs write may hold "*" and "/" too.
    for (const QString name : {"Sheet 1", "A*B", "*", "a/b*c", "1*2"}) {
        const QString made = SheetKey::Make(path, 17, name);
        QCOMPARE(SheetKey::NameOf(made), name);
        QCOMPARE(SheetKey::CodeOf(made), QString("00017"));
        QCOMPARE(SheetKey::BookPathOf(made), path);
    }
    QCOMPARE(SheetKey::AttributesOf(key), 17);
    QVERIFY(SheetKey::TestSheetKeyBit(key, SheetKey::Protected, true));
    QVERIFY(SheetKey::TestSheetKeyBit(key, SheetKey::Chart, false));
    QVERIFY(!SheetKey::TestSheetKeyBit(key, SheetKey::Chart, true));
    QCOMPARE(SheetKey::Code(1), QString("00001"));
    QCOMPARE(SheetKey::Code(2), QString("00002"));
    // A key without a code answers false either way.
    QVERIFY(!SheetKey::TestSheetKeyBit("no code here", 1, true));
    QVERIFY(!SheetKey::TestSheetKeyBit("no code here", 1, false));
    QCOMPARE(SheetKey::AttributesOf("/x/12*Sheet"), -1);
}

void tst_SheetView::iconForEveryAttributeWord()
{
    const QList<QPair<int, int>> table = {{1, 0},  {0, 1},  {2, 2},  {5, 3},  {17, 4},
                                          {16, 5}, {4, 6},  {20, 7}, {21, 8}};
    for (const auto &[word, icon] : table)
        QCOMPARE(SheetIcons::IconIndex(word), icon);
}

void tst_SheetView::filterKeepsCategoriesOut()
{
    // Characters: hidden, charts, macro sheets, protected.
    QVERIFY(SheetIcons::Listed(1, "1111"));
    QVERIFY(!SheetIcons::Listed(0, "1000"));
    QVERIFY(!SheetIcons::Listed(5, "0100"));
    QVERIFY(!SheetIcons::Listed(2, "0010"));
    QVERIFY(SheetIcons::Listed(2, "1101")); // a macro sheet is not hidden, chart or protected
    QVERIFY(!SheetIcons::Listed(17, "0001"));
    QVERIFY(!SheetIcons::Listed(16, "1000"));
    QVERIFY(!SheetIcons::Listed(16, "0001"));
    QVERIFY(SheetIcons::Listed(16, "0110"));
    QVERIFY(!SheetIcons::Listed(4, "1000"));  // hidden chart
    QVERIFY(SheetIcons::Listed(21, "1010"));
    // A short or damaged setting lists what it does not mention.
    QVERIFY(SheetIcons::Listed(16, "0"));
    QVERIFY(SheetIcons::Listed(0, ""));
}

void tst_SheetView::iconsAreDistinctAtSixteenPixels()
{
    QList<QImage> images;
    for (int i = 0; i < SheetIcons::Count; ++i) {
        const QImage image = SheetIcons::Icon(i).pixmap(16, 16).toImage();
        QVERIFY2(!image.isNull(), qPrintable(QString::number(i)));
        QCOMPARE(image.size(), QSize(16, 16));
        for (const QImage &other : images)
            QVERIFY(image != other);
        images << image;
    }
    // The nine side by side, enlarged, left in the test's folder for a look.
    QImage strip(16 * SheetIcons::Count, 16, QImage::Format_ARGB32);
    strip.fill(Qt::white);
    QPainter painter(&strip);
    for (int i = 0; i < SheetIcons::Count; ++i)
        painter.drawImage(16 * i, 0, images.at(i));
    painter.end();
    QVERIFY(strip.scaled(strip.size() * 8).save("sheeticons.png"));
}

// ---------------------------------------------------------------- filling

void tst_SheetView::fillListsKindsWithTheirIcons()
{
    Open("kinds_ws_chart_xlm_dialog_vba.xls");
    QCOMPARE(m_window->Sheets().Count(), 4);
    QCOMPARE(IconOf(Row("Sheet1")), 0);
    QCOMPARE(IconOf(Row("Chart1")), 3);
    QCOMPARE(IconOf(Row("Macro1")), 2);
    // A protected dialog sheet is shown as a hidden protected worksheet.
    QCOMPARE(IconOf(Row("Dialog1")), 5);
    QCOMPARE(m_window->SheetHeader()->text(), QString("  ｼｰﾄ    (ﾌﾞｯｸ内ｼｰﾄ数 : 4)"));
    QCOMPARE(Panel(3), QString("1ｼｰﾄ選択"));
    QCOMPARE(m_window->Sheets().Key(Row("Macro1")), m_window->ActiveBookPath + "/00002*Macro1");
    QVERIFY(m_window->HasProtectedSheets);
    QCOMPARE(m_window->SheetClipboardMode, -1);
    QCOMPARE(m_window->Sheets().SortOrder, int(Qt::DescendingOrder));
    // The first sheet is the current one.
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));
    QCOMPARE(m_window->Sheets().SelectedRows(), QList<int>({0}));
}

void tst_SheetView::filter1111ListsOnlyPlainVisibleWorksheets()
{
    Open("kinds_ws_chart_xlm_dialog_vba.xls", "1111");
    QCOMPARE(m_window->Sheets().Count(), 1);
    QCOMPARE(m_window->Sheets().Text(0), QString("Sheet1"));
    QCOMPARE(m_window->SheetTable.size(), 4);
    QCOMPARE(m_window->SheetTable.at(2).Name, QString("Macro1"));
    QCOMPARE(m_window->SheetHeader()->text(), QString("  ｼｰﾄ    (ﾌﾞｯｸ内ｼｰﾄ数 : 4)"));
    QVERIFY(!m_window->HasProtectedSheets);
}

void tst_SheetView::hiddenProtectedSheetNeedsBothCharacters()
{
    for (const QString filter : {"1000", "0001", "0000"}) {
        Open("hidden_and_protected_sheets.xls", filter);
        const int row = Row("Formulated");
        if (filter == "0000") {
            QVERIFY(row >= 0);
            QCOMPARE(IconOf(row), 5);
            QCOMPARE(IconOf(Row("ListData")), 1);
            QCOMPARE(IconOf(Row("Instructions")), 4);
        } else {
            QCOMPARE(row, -1);
        }
        cleanup();
    }
}

void tst_SheetView::rebuildFromKeysKeepsIcons()
{
    Open("kinds_ws_chart_xlm_dialog_vba.xls");
    QList<SheetTableEntry> entries = m_window->SheetTable;
    std::reverse(entries.begin(), entries.end());
    m_window->Sheets().RebuildSheetView(entries);
    QCOMPARE(m_window->Sheets().Text(0), QString("Dialog1"));
    QCOMPARE(IconOf(Row("Macro1")), 2);
    QCOMPARE(IconOf(Row("Chart1")), 3);
    QCOMPARE(IconOf(Row("Dialog1")), 5);
    QCOMPARE(m_window->SheetTable.first().Name, QString("Sheet1"));
}

// ---------------------------------------------------------------- clicks

void tst_SheetView::clickingTheCurrentSheetChangesNothing()
{
    Open("hidden_third_sheet.xls");
    m_window->SetPanelText(1, "untouched");
    m_window->SetPanelText(2, "untouched");
    m_window->Sheets().ItemClick(0, Qt::NoModifier);
    QCOMPARE(Panel(1), QString("untouched"));
    QCOMPARE(Panel(2), QString("untouched"));
}

void tst_SheetView::ctrlAndShiftClicksKeepTheTitles()
{
    Open("hidden_third_sheet.xls");
    m_window->Books().DeselectAll();
    Click(Row("Sheet2"), Qt::ControlModifier);
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));
    QVERIFY(m_window->Books().SelectedRows().isEmpty());
    QCOMPARE(Panel(2), QString("ｼｰﾄﾋﾞｭｰ"));
    QCOMPARE(Panel(3), QString("2ｼｰﾄ選択"));
    QVERIFY(!m_window->Action("tbSheetInf")->isEnabled());
    Click(Row("Sheet4"), Qt::ShiftModifier);
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));
    QVERIFY(m_window->Sheets().MultipleSheetsSelected());

    // A plain click makes the sheet current and selects the active book only.
    Click(Row("Sheet3"));
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet3"));
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({0}));
    QCOMPARE(Panel(1), QString("1/1 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
    QCOMPARE(Panel(3), QString("1ｼｰﾄ選択"));
    // Sheet3 is hidden: the show and hide popup items say so.
    QVERIFY(!m_window->Action("SheetPopDisplay")->isChecked());
    QVERIFY(m_window->Action("SheetPopHide")->isChecked());
    QVERIFY(m_window->Action("tbSheetInf")->isEnabled());
}

void tst_SheetView::clickStatusAndSingleSheetCommands()
{
    Open("hidden_third_sheet.xls");
    m_window->SheetView()->selectionModel()->clearSelection();
    m_window->Sheets().Click();
    QVERIFY(Panel(3).isEmpty());
    QCOMPARE(m_window->Sheets().SheetMouseButton, 0);

    // A sheet the book no longer has.
    auto *ghost = new QStandardItem("Ghost");
    ghost->setData(m_window->ActiveBookPath + "/00001*Ghost", Qt::UserRole + 1);
    m_window->SheetView()->model()->appendRow(ghost);
    m_window->SheetView()->selectionModel()->select(ghost->index(), QItemSelectionModel::Select);
    m_window->Sheets().Click();
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("選択されているﾌﾞｯｸには、ｼｰﾄ \"Ghost\" は存在しません。\n"
                                         " ｼｰﾄ名称を変更した場合には、１度保存して下さい。"));
    QCOMPARE(shown.first().style, 0x10u);

    // Arrow keys recount and switch the single-sheet commands.
    m_window->SheetView()->currentView()->selectAll();
    m_window->Sheets().KeyUp(Qt::Key_Down);
    QCOMPARE(Panel(3), QString("5ｼｰﾄ選択"));
    QVERIFY(!m_window->Action("mnuSheetInf")->isEnabled());
}

void tst_SheetView::reservedSheetIsMarked()
{
    Open("hidden_third_sheet.xls");
    ReserveBookEntry entry;
    entry.Path = m_window->ActiveBookPath;
    entry.Reserved = true;
    entry.Sheets = {{"Sheet2", true}, {"Sheet4", false}};
    m_window->Reserve.Entries = {entry};
    Click(Row("Sheet2"));
    QCOMPARE(m_window->Title(2)->text(), QString("印刷予約"));
    QCOMPARE(m_window->Title(2)->palette().color(QPalette::Window), QColor(0, 0, 255));
    Click(Row("Sheet4"));
    QVERIFY(m_window->Title(2)->text().isEmpty());
}

void tst_SheetView::doubleClickOnHiddenOrMacroSheetWarns()
{
    Open("hidden_third_sheet.xls");
    m_window->SheetView()->selectionModel()->clearSelection();
    m_window->SheetView()->selectionModel()->select(m_window->SheetView()->model()->index(Row("Sheet1"), 0),
                                                    QItemSelectionModel::Select);
    m_window->SheetView()->selectionModel()->select(m_window->SheetView()->model()->index(Row("Sheet3"), 0),
                                                    QItemSelectionModel::Select);
    // Several selected: the last one counts.
    m_window->Sheets().DblClick();
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("ｼｰﾄ \"Sheet3 \"は非表示ｼｰﾄのためｱｸﾃｨﾌﾞにできません。"));
    QCOMPARE(shown.first().style, 0x30u);
    cleanup();

    Open("xlm_macro_autoopen.xls");
    m_window->SheetView()->selectionModel()->clearSelection();
    m_window->SheetView()->selectionModel()->select(m_window->SheetView()->model()->index(Row("Macro1"), 0),
                                                    QItemSelectionModel::Select);
    m_window->Sheets().DblClick();
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("ｼｰﾄ \"Macro1 \"は非表示ｼｰﾄのためｱｸﾃｨﾌﾞにできません。"));
}

void tst_SheetView::handingOverWithoutADisplayIsTold()
{
    // The hand-over with a display is tested on a display of its own
    // (tst_bookhandover); this case needs none.
    QVERIFY2(!OfficeProcess::displayAvailable(), "run this test headless (QT_QPA_PLATFORM=offscreen)");
    Open("hidden_third_sheet.xls");
    m_window->SheetsChanged = true;
    // Cancel keeps everything.
    MessageBox::QueueAnswer(MessageBox::IDCANCEL);
    QTest::keyClick(m_window->SheetView()->currentView(), Qt::Key_Return, Qt::ShiftModifier);
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("Quirnで変更した内容が保存されていませんが Ecxelで開きますか。"));
    QCOMPARE(shown.first().style, 0x21u);
    QVERIFY(m_window->SheetsChanged);
    // OK: there is no display here, and the user is told so; nothing is handed over.
    MessageBox::QueueAnswer(MessageBox::IDOK);
    m_window->Sheets().DblClick();
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.last().text, QString("画面が使用できないため、ﾌﾞｯｸを Microsoft Excel で開くことができません。"));
    QVERIFY(!Globals::ExcelHandedOver);
    QVERIFY(m_window->Excel().ExcelStatus());
}

void tst_SheetView::popupRulesForMacroAndRestrictedSheets()
{
    Open("kinds_ws_chart_xlm_dialog_vba.xls");
    QMenu *popup = m_window->Popup("menuSheetPopup");
    Click(Row("Macro1"), Qt::NoModifier, Qt::RightButton);
    QVERIFY(!popup->isVisible());
    QCOMPARE(m_window->Sheets().SheetMouseButton, 0);

    // Plain Enter on a worksheet opens the popup with the single-sheet items.
    Click(Row("Sheet1"));
    QTest::keyClick(m_window->SheetView()->currentView(), Qt::Key_Return);
    QVERIFY(popup->isVisible());
    QVERIFY(m_window->Action("SheetPopRename")->isEnabled());
    popup->hide();

    // A hidden sheet of a restricted book: no popup.
    m_window->BookRestriction = 1;
    m_window->SheetView()->selectionModel()->clearSelection();
    m_window->SheetView()->selectionModel()->select(m_window->SheetView()->model()->index(Row("Dialog1"), 0),
                                                    QItemSelectionModel::Select);
    m_window->Sheets().SheetMouseButton = 2;
    m_window->Sheets().Click();
    QVERIFY(!popup->isVisible());
    // A visible sheet of a restricted book: the editing items are off.
    m_window->SheetView()->selectionModel()->clearSelection();
    m_window->SheetView()->selectionModel()->select(m_window->SheetView()->model()->index(Row("Sheet1"), 0),
                                                    QItemSelectionModel::Select);
    m_window->Sheets().SheetMouseButton = 2;
    m_window->Sheets().Click();
    QVERIFY(popup->isVisible());
    QVERIFY(!m_window->Action("SheetPopRename")->isEnabled());
    QVERIFY(!m_window->Action("SheetPopDelete")->isEnabled());
    popup->hide();
    m_window->BookRestriction = 0;
}

void tst_SheetView::popupEditingItemsFollowTheSelection_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<int>("restriction");
    QTest::addColumn<bool>("rename");
    QTest::addColumn<bool>("others");
    QTest::newRow("the first sheet, as the book opens") << QStringList{} << 0 << true << true;
    QTest::newRow("two sheets") << QStringList{"Sheet1", "Sheet2"} << 0 << false << true;
    QTest::newRow("a book that may not be saved") << QStringList{"Sheet1"} << 1 << false << false;
}

// The popup's editing items, right-clicked on the last selected sheet, and
// the same items whenever the rules run (a popup opened any other way).
void tst_SheetView::popupEditingItemsFollowTheSelection()
{
    QFETCH(QStringList, selected);
    QFETCH(int, restriction);
    QFETCH(bool, rename);
    QFETCH(bool, others);
    Open("hidden_third_sheet.xls");
    m_window->BookRestriction = restriction;
    QItemSelectionModel *selection = m_window->SheetView()->selectionModel();
    for (const QString &name : selected)
        selection->select(m_window->SheetView()->model()->index(Row(name), 0), QItemSelectionModel::Select);
    const QList<int> rows = m_window->Sheets().SelectedRows();
    QVERIFY(!rows.isEmpty());
    QMenu *popup = m_window->Popup("menuSheetPopup");
    for (const bool rightClick : {true, false}) {
        if (rightClick)
            Click(rows.last(), Qt::NoModifier, Qt::RightButton);
        else
            m_window->Rules().Apply();
        QCOMPARE(popup->isVisible(), rightClick);
        popup->hide();
        QCOMPARE(m_window->Sheets().SelectedRows(), rows);
        QCOMPARE(m_window->Action("SheetPopRename")->isEnabled(), rename);
        for (const char *item : {"SheetPopDelete", "SheetPopDisplay", "SheetPopHide", "SheetPopPageSetUp"})
            QVERIFY2(m_window->Action(item)->isEnabled() == others, item);
    }
    m_window->BookRestriction = 0;
}

void tst_SheetView::selectAllSheets()
{
    Open("hidden_third_sheet.xls");
    m_window->Books().SelectAll();
    m_window->Action("tbAllSheet")->trigger();
    QCOMPARE(m_window->Sheets().SelectedRows().size(), 4);
    QCOMPARE(Panel(3), QString("4ｼｰﾄ選択"));
    QCOMPARE(Panel(2), QString("ｼｰﾄﾋﾞｭｰ"));
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({0}));
    QVERIFY(!m_window->Action("tbExcelOpen")->isEnabled());
    QCOMPARE(m_window->ActivePane, 1);
}

void tst_SheetView::dragCarriesTheSelectedKeys()
{
    Open("hidden_third_sheet.xls");
    m_window->SheetView()->selectionModel()->clearSelection();
    QVERIFY(!m_window->Sheets().DragData());
    m_window->SheetView()->currentView()->selectAll();
    std::unique_ptr<QMimeData> data(m_window->Sheets().DragData());
    const QStringList keys = QString::fromUtf8(data->data(SheetList::DragFormat)).split(u'\n');
    QCOMPARE(keys.size(), 4);
    QCOMPARE(keys.at(2), m_window->ActiveBookPath + "/00000*Sheet3");
}

void tst_SheetView::aDragStartsAnyWayAndCarriesWhatIsShown_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QPoint>("direction");
    QTest::addColumn<QStringList>("dragged");
    const QStringList pair{"Sheet1", "Sheet2"};
    QTest::newRow("down from a selected sheet") << pair << "Sheet1" << QPoint(0, 1) << pair;
    QTest::newRow("up from a selected sheet") << pair << "Sheet2" << QPoint(0, -1) << pair;
    QTest::newRow("sideways from a selected sheet") << pair << "Sheet2" << QPoint(1, 0) << pair;
    QTest::newRow("down from a sheet not selected") << pair << "Sheet3" << QPoint(0, 1) << QStringList{"Sheet3"};
}

// A press on a sheet and a move of the drag distance, one pixel at a time, in
// any direction: the drag carries the sheets shown selected, and the moves
// before it never stretch the selection over the sheets passed.
void tst_SheetView::aDragStartsAnyWayAndCarriesWhatIsShown()
{
    QFETCH(QStringList, selected);
    QFETCH(QString, pressed);
    QFETCH(QPoint, direction);
    QFETCH(QStringList, dragged);
    Open("hidden_third_sheet.xls");
    QListView *list = m_window->SheetView()->listView();
    QItemSelectionModel *selection = m_window->SheetView()->selectionModel();
    selection->clearSelection();
    for (const QString &name : selected)
        selection->select(m_window->SheetView()->model()->index(Row(name), 0), QItemSelectionModel::Select);

    // The drag object is the view's child until the event loop runs again.
    const auto drag = [this] { return m_window->SheetView()->findChild<QDrag *>(); };
    const QPoint start = list->visualRect(m_window->SheetView()->model()->index(Row(pressed), 0)).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, start);
    QStringList shown;
    for (int step = 1; step <= QApplication::startDragDistance() && !drag(); ++step) {
        QMouseEvent move(QEvent::MouseMove, QPointF(start + direction * step),
                         QPointF(list->viewport()->mapToGlobal(start + direction * step)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &move);
        if (!drag()) {
            shown.clear();
            for (const int row : m_window->Sheets().SelectedRows())
                shown << m_window->Sheets().Text(row);
        }
    }
    QVERIFY(drag());
    QCOMPARE(drag()->mimeData()->text().split(u'\n'), dragged);
    QCOMPARE(shown, dragged);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, start);
}

void tst_SheetView::tableLookups()
{
    Open("hidden_third_sheet.xls");
    QCOMPARE(m_window->Sheets().FindSheetInTable("Sheet3"), 2);
    QCOMPARE(m_window->Sheets().FindSheetInTable("sheet3"), -1);
    m_window->Sheets().BlankSheetNames({"Sheet3", "Nope"});
    QCOMPARE(m_window->Sheets().FindSheetInTable("Sheet3"), -1);
    QVERIFY(m_window->SheetTable.at(2).Name.isEmpty());
    QCOMPARE(m_window->SheetTable.at(2).Key, m_window->ActiveBookPath + "/00000*Sheet3");
}

QTEST_MAIN(tst_SheetView)
#include "tst_sheetview.moc"
