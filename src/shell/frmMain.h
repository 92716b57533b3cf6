#pragma once

#include "ExcelAccess.h"
#include "PaneLayout.h"
#include "Progress.h"
#include "StatusPanels.h"
#include "WindowState.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>

#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;
class ProgressDisplay;
class PrintReserve;
class PrintRun;
class cExcel;
class cListView;
class BookImport;
class MenuRules;
class MenuState;
class ToolbarDispatch;
class BookList;
class BookPresentation;
class BookSelection;
class RecentBooks;
class SheetList;
class SheetSort;
class SheetFind;
class SheetNames;
class SheetInformation;
class SheetClipboard;
class SheetEditing;
class SheetTransfer;
class SplitterDrag;
class ViewEvents;
class QMimeData;
class QMouseEvent;

// The main window: two panes (books, sheets) under a toolbar and a title strip,
// a status bar below, the menu bar and the four popup menus. Every control
// carries its control name as objectName. It holds the window's state, its
// status panels, progress display and the gateway, and builds the commands
// with the parts of it each one uses.
class frmMain : public QMainWindow,
                public WindowState,
                public StatusPanels,
                public Progress,
                public ExcelAccess
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The load handler; false when start-up was refused (the window is not shown).
    bool Load();

    // Menu and toolbar state set in groups.
    MenuState &Menus() const { return *m_menuState; }

    // Rebuilds the book view's columns from the options (the view is emptied).
    void BuildBookColumns(int viewMode);

    // Layout (twips).
    void LayoutPanes(double &x);
    double SplitterLeft() const { return m_splitterLeft; }
    double WindowWidthTwips() const;
    double InnerHeightTwips() const;
    int ToPixels(double twips) const;
    double ToTwips(int pixels) const;

    // Progress display.
    void StartProgress(double min, double max) override;
    void StepProgress(double value) override;
    void EndProgress() override;
    void ResumeProgress() override;

    // Status bar panels 1..3.
    void SetPanelText(int panel, const QString &text) override;
    QString PanelText(int panel) const override;

    // Runs before every drop-down, toolbar click and list-view press while the
    // book is handed over; false drops the user's action.
    bool ConfirmExcelClosed();

    // The gateway to the engine, created on first use; every subsystem reaches
    // books through it.
    cExcel &Excel() override;
    // Closes the engine without saving any book (the system-error report and
    // delete-all end the program this way).
    void CloseExcelWithoutSaving();

    // The toolbar button at a 1-based position (separators included).
    QAction *ToolbarButton(int position) const;

    // The panes and labels the book and sheet views work on.
    cListView *BookView() const { return m_bookView; }
    cListView *SheetView() const { return m_sheetView; }
    QLabel *Title(int index) const { return m_title[index]; }
    QLabel *SheetHeader() const { return m_header; }
    // The window's own status bar (sbStatusBar), inside the client area.
    QStatusBar *StatusBar() const { return m_statusBar; }
    QMenu *Popup(const QString &name) const;
    // A menu item, popup item or toolbar button by its name.
    QAction *Action(const QString &name) const { return Item(name); }

    // What a drop of sheets on another book does (moving and copying sheets
    // between books); nothing while it is not set.
    std::function<void(const QMimeData &, Qt::KeyboardModifiers)> SheetDropOnBook;

    // The handlers of the book and sheet views.
    BookList &Books() const { return *m_books; }
    BookImport &Import() const { return *m_import; }
    BookSelection &Selection() const { return *m_selection; }
    BookPresentation &Presentation() const { return *m_presentation; }
    RecentBooks &Recent() const { return *m_recent; }
    SheetList &Sheets() const { return *m_sheets; }
    MenuRules &Rules() const { return *m_menuRules; }
    ToolbarDispatch &Toolbar() const { return *m_toolbarDispatch; }
    SheetEditing &Editing() const { return *m_sheetEditing; }
    SheetClipboard &Clipboard() const { return *m_sheetClipboard; }
    SheetTransfer &Transfer() const { return *m_sheetTransfer; }
    PrintReserve &Reservations() const { return *m_reserve; }
    PrintRun &Printing() const { return *m_print; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildPanes();
    void ConnectHandlers();
    void ConnectBookHandlers();
    void ConnectSheetHandlers();
    void BookItemClicked(int row, Qt::KeyboardModifiers modifiers);
    bool PressedBookAfterQuestion(QObject *watched, const QMouseEvent &press);
    void ConnectSheetCommands();
    void ConnectPrintHandlers();
    void Connect(const QString &name, std::function<void()> handler);

    QAction *Item(const QString &name) const;

    bool AnotherInstanceRunning();
    bool CloseRunningEngine();
    void ApplySheetPageInf();
    void DisableSheetCommands();
    void ReadRecentBooks();
    void SetupBookView(int viewMode);
    void SetupSheetView();

    void ResizeHandler();
    void ToggleToolbar();
    void ToggleStatusBar();
    void SyncViewModeIndicators();
    void DropDownPrologue(QMenu *menu);
    bool ExcelGuard();
    void ShowAbout();
    void FileClose();
    void DeleteAllSettingsAndExit();
    bool UnloadHandler();
    bool BookMayBeSaved() const;

    // Engine steps: the gateway (cExcel) is wired in here.
    bool CloseEngine(const QString &bookToSave);

    QWidget *m_client = nullptr;
    QToolBar *m_toolbar = nullptr;
    QWidget *m_titles = nullptr;
    QLabel *m_title[4] = {};
    cListView *m_bookView = nullptr;
    cListView *m_sheetView = nullptr;
    QWidget *m_splitterImage = nullptr;
    std::unique_ptr<SplitterDrag> m_splitterDrag;
    QFrame *m_frame = nullptr;
    QLabel *m_header = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QLabel *m_panel[3] = {};
    std::unique_ptr<ProgressDisplay> m_progress;

    double m_splitterLeft = 3700;
    std::unique_ptr<cExcel> m_excel;
    std::unique_ptr<BookList> m_books;
    std::unique_ptr<BookImport> m_import;
    std::unique_ptr<BookSelection> m_selection;
    std::unique_ptr<BookPresentation> m_presentation;
    std::unique_ptr<RecentBooks> m_recent;
    std::unique_ptr<SheetList> m_sheets;
    std::unique_ptr<MenuState> m_menuState;
    std::unique_ptr<MenuRules> m_menuRules;
    std::unique_ptr<ToolbarDispatch> m_toolbarDispatch;
    std::unique_ptr<SheetSort> m_sort;
    std::unique_ptr<SheetFind> m_find;
    std::unique_ptr<SheetNames> m_names;
    std::unique_ptr<SheetInformation> m_information;
    std::unique_ptr<SheetEditing> m_sheetEditing;
    std::unique_ptr<SheetClipboard> m_sheetClipboard;
    std::unique_ptr<SheetTransfer> m_sheetTransfer;
    std::unique_ptr<PrintReserve> m_reserve;
    std::unique_ptr<PrintRun> m_print;
    std::unique_ptr<ViewEvents> m_viewEvents;
    double m_prevWidth = 0;
    double m_prevSplitterLeft = 0;
    bool m_closing = false;
    // The last hand-over check asked the user, who closed the office window.
    bool m_excelCloseAsked = false;
};
