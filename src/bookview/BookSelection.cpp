#include "BookSelection.h"

#include "BookImport.h"
#include "BookList.h"
#include "BookPresentation.h"
#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "Globals.h"
#include "MessageBox.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "WarningSetting.h"
#include "cExcel.h"
#include "cFile.h"
#include "cListView.h"
#include "frmMacroWarninng.h"
#include "MenuState.h"
#include "frmMain.h"
#include "frmWarninng1.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>
#include <QStatusBar>

namespace {

const QString BookViewText = QStringLiteral("ﾌﾞｯｸﾋﾞｭｰ");

// Keeps the main window disabled while the engine works.
class DisabledWindow
{
public:
    explicit DisabledWindow(QWidget &window) : m_window(window) { m_window.setEnabled(false); }
    ~DisabledWindow() { m_window.setEnabled(true); }

private:
    QWidget &m_window;
};

} // namespace

BookSelection::BookSelection(frmMain &form)
    : m_form(form)
{
}

QString BookSelection::SelectionCountText(int selected, int count)
{
    return QStringLiteral("%1/%2 個のｵﾌﾞｼﾞｪｸﾄが選択されています").arg(selected).arg(count);
}

// ---------------------------------------------------------------- opening

void BookSelection::OpenSelectedBook(int row, Qt::KeyboardModifiers modifiers)
{
    m_form.ActivePane = 0;
    m_form.SetPanelText(2, BookViewText);
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier)) {
        DisableSingleBookCommands();
        return;
    }
    if (CountSelectedBooks() > 1 || m_form.BookLoading || row < 0)
        return;
    m_form.BookLoading = true;
    if (m_form.ActiveBookPath.compare(m_form.Books().Key(row), Qt::CaseInsensitive) == 0) {
        m_form.BookLoading = false;
        return;
    }
    LoadActiveBook(row, false);
}

void BookSelection::OpenBookByPath(const QString &path)
{
    m_form.BookLoading = true;
    if (!OfferToSaveChanges()) {
        m_form.BookLoading = false;
        return;
    }
    m_form.Books().DeselectAll();
    m_form.ActiveBookPath = path;
    try {
        m_form.Books().AddBookItem(path);
    } catch (...) {
        m_form.BookLoading = false;
        throw;
    }
    // The item is selected also when the book was in the view already, so
    // that the view always shows which book is active.
    const int row = m_form.Books().FindItem(path);
    m_form.Books().Select(row);
    m_form.Books().AutoSizeBookColumns();
    LoadActiveBook(row, true);
}

void BookSelection::LoadActiveBook(int row, bool fromRecent)
{
    struct Loading
    {
        frmMain &form;
        ~Loading() { form.BookLoading = false; }
    } loading{m_form};

    const QString key = m_form.Books().Key(row);
    const QString text = m_form.Books().Text(row);
    const bool firstSelection = m_form.Books().Tag(row).isEmpty();
    bool opened = false;
    QString name;
    QString message;
    {
        WaitCursor wait;
        if (!fromRecent && !OfferToSaveChanges()) {
            // The active book stays; so does its selection.
            m_form.Books().DeselectAll();
            m_form.Books().Select(m_form.Books().FindItem(m_form.ActiveBookPath));
            return;
        }
        QCoreApplication::processEvents();
        m_form.ActiveBookPath = key;
        m_form.setWindowTitle(text + QStringLiteral(" - ") + Globals::AppTitle);
        m_form.SetPanelText(1, QStringLiteral("ｴｸｾﾙを開いています。"));
        opened = OpenInEngine();
        name = cFile::OmitPathName(key);
        message = DetermineRestriction(name);
        EnableSingleBookCommands();
        ForgetPreviousSheet();
        m_form.HasProtectedSheets = m_form.Sheets().LoadSheetView(key);
        DisableSheetCommandsWhenEmpty();
    }
    if (!opened)
        ShowOpenFailure(key);
    else
        CheckProjectComponents(name, firstSelection);
    if (m_form.SheetView()->model()->rowCount() == 0) {
        // Nothing listed, nothing selected; the opening is over.
        m_form.SetPanelText(3, QString());
        UpdateSelectionCountText();
        ReopenIfGone(key);
        return;
    }
    m_form.Sheets().SelectFirstSheet();
    m_form.SheetsChanged = false;
    if (fromRecent) {
        m_form.Action(QStringLiteral("mnuExcelOpen"))->setEnabled(true);
        m_form.Action(QStringLiteral("BookPopExcelOpen"))->setEnabled(true);
        m_form.SetPanelText(1, SelectionCountText(1, m_form.Books().Count()));
    }
    ShowRestrictionWarnings(message, name, firstSelection);
    AdvanceTag(row);
}

// The sheet pane's title and print mark belong to the previous book: a sheet
// of the new book with the same name is a different sheet, and selecting it
// must set its own marks and commands.
void BookSelection::ForgetPreviousSheet()
{
    m_form.Title(1)->clear();
    QLabel *mark = m_form.Title(2);
    mark->clear();
    QPalette face = mark->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    mark->setPalette(face);
}

// Tells the user the book could not be opened, with the engine's reason
// when it knows one.
void BookSelection::ShowOpenFailure(const QString &path)
{
    const QString reason = m_form.Excel().LastOpenError();
    MessageBox::Show(QStringLiteral("ﾌｧｲﾙ\"") + path + QStringLiteral("\"を開けませんでした。") + u'\n'
                         + (reason.isEmpty()
                                ? QStringLiteral("Excel ﾌﾞｯｸではないか、壊れているか、ﾊﾟｽﾜｰﾄﾞで保護されています。")
                                : reason),
                     0x30, QString(), &m_form);
}

// Closes the engine and opens the active book in it; false when the book
// could not be opened.
bool BookSelection::OpenInEngine()
{
    DisabledWindow disabled(m_form);
    cExcel &excel = m_form.Excel();
    excel.CloseExcel();
    excel.OpenExcel(m_form.ActiveBookPath);
    return excel.xlApp && excel.xlApp->hasActiveWorkbook();
}

// Sets BookRestriction and the title labels; returns the restriction warning.
QString BookSelection::DetermineRestriction(const QString &name)
{
    const int protect = m_form.Excel().GetActiveWorkBookProtect();
    QString label;
    QString message;
    const QString quoted = u'"' + name + u'"';
    if (protect == -1) {
        label = QStringLiteral("保護不明");
        m_form.BookRestriction = 1;
        message = quoted + QStringLiteral(" はﾌﾞｯｸの保護状態が不明です。") + u'\n'
                  + QStringLiteral("一部の機能が使用できません。");
    } else if (protect == 1) {
        label = QStringLiteral("保護");
        m_form.BookRestriction = 1;
        message = quoted + QStringLiteral(" はﾌﾞｯｸ全体が保護されています。") + u'\n'
                  + QStringLiteral("保護されたﾌﾞｯｸには一部の機能が使用できません。");
    } else if (cFile::AttribString(m_form.ActiveBookPath).startsWith(u'r')) {
        label = QStringLiteral("読取専用");
        m_form.BookRestriction = 3;
        message = quoted + QStringLiteral(" は読み取り専用ﾌｧｲﾙです。") + u'\n'
                  + QStringLiteral("読み取り専用ﾌｧｲﾙには一部の機能が使用できません。");
    } else if (m_form.Excel().xlApp->ActiveWorkbook().isReadOnlyFormat()) {
        // The file may be writable: it is the format the program shows but
        // never writes back, and the user is told so.
        label = QStringLiteral("読取専用");
        m_form.BookRestriction = 3;
        message = quoted + QStringLiteral(" は古い形式のﾌﾞｯｸのため、Quirnでは読み取り専用です。") + u'\n'
                  + QStringLiteral("読み取り専用ﾌｧｲﾙには一部の機能が使用できません。");
    } else {
        m_form.BookRestriction = 0;
    }
    m_form.Title(0)->setText(m_form.ActiveBookPath);
    SetRestrictionTitle(label);
    return message;
}

void BookSelection::SetRestrictionTitle(const QString &text)
{
    QLabel *title = m_form.Title(3);
    title->setText(text);
    title->setAutoFillBackground(true);
    QPalette palette = m_form.palette();
    if (!text.isEmpty()) {
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Base));
        palette.setColor(QPalette::Window, QColor(255, 0, 0));
    } else {
        palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    }
    title->setPalette(palette);
}

void BookSelection::EnableSingleBookCommands()
{
    const bool writable = m_form.BookRestriction == 0;
    for (const char *name : {"BookPopPageSetUp", "SheetPopPageSetUp", "mnuFileProperties"})
        m_form.Action(QString::fromLatin1(name))->setEnabled(writable);
    m_form.Menus().SetToolbarState({}, writable, true, m_form.Reserve.CountReservedBooks() > 0, true, writable, true, true,
                           true, true, true, true, true, true);
    m_form.Action(QStringLiteral("mnuFileDelete"))->setEnabled(true);
    m_form.Action(QStringLiteral("mnuSheetInf"))->setEnabled(true);
}

void BookSelection::CheckProjectComponents(const QString &name, bool firstSelection)
{
    const QString key = QStringLiteral("Warninng3");
    const QString setting = WarningSetting::Read(key);
    if (!WarningSetting::Due(setting, firstSelection))
        return;
    m_form.SetPanelText(1, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄｺﾝﾎﾟｰﾈﾝﾄをﾁｪｯｸをしています。"));
    m_form.StatusBar()->repaint();
    QStringList modules;
    QList<int> types;
    bool found = false;
    {
        WaitCursor wait;
        found = m_form.Excel().CheckMacroObject(modules, types);
    }
    if (found) {
        const WarningSetting::Mode mode = WarningSetting::ModeOf(setting, firstSelection);
        if (frmMacroWarninng::ShowMacroWarning(name, modules, types, mode, &m_form))
            WarningSetting::Write(key, WarningSetting::Ticked(setting, mode));
    }
    WaitCursor wait;
    DisabledWindow disabled(m_form);
    m_form.Excel().CloseExcel();
    m_form.Excel().OpenExcel(m_form.ActiveBookPath);
}

void BookSelection::ReopenIfGone(const QString &path)
{
    if (m_form.Excel().ExcelStatus())
        return;
    WaitCursor wait;
    DisabledWindow disabled(m_form);
    m_form.Excel().ReOpenExcel(path);
}

void BookSelection::ShowRestrictionWarnings(const QString &message, const QString &name, bool firstSelection)
{
    if (!message.isEmpty()) {
        WarningSetting::Apply(QStringLiteral("Warninng1"), firstSelection, [&](WarningSetting::Mode mode) {
            return frmWarninng1::ShowBookWarning(message, mode, &m_form);
        });
    }
    if (m_form.HasProtectedSheets) {
        const QString text = u'"' + name + u'"' + QStringLiteral(" には保護されたｼｰﾄがあります。") + u'\n'
                             + QStringLiteral("保護ｼｰﾄには一部の機能が使用できません。");
        WarningSetting::Apply(QStringLiteral("Warninng2"), firstSelection, [&](WarningSetting::Mode mode) {
            return frmWarninng1::ShowBookWarning(text, mode, &m_form);
        });
    }
}

void BookSelection::AdvanceTag(int row)
{
    const QString tag = m_form.Books().Tag(row);
    m_form.Books().SetTag(row, tag.isEmpty() ? QStringLiteral("1") : QString::number(tag.toInt() + 1));
}

bool BookSelection::OfferToSaveChanges()
{
    if (!m_form.ActiveBookPath.trimmed().isEmpty() && m_form.SheetsChanged && (m_form.BookRestriction & 1) == 0) {
        const QString question = QStringLiteral("ｼｰﾄ構成の変更を ") + u'"' + m_form.ActiveBookPath + u'"'
                                 + QStringLiteral(" に保存しますか？");
        if (MessageBox::Show(question, 0x24, QString(), &m_form) == MessageBox::IDYES
            && m_form.Excel().SaveExcel(m_form.ActiveBookPath) != 0) {
            MessageBox::Show(QStringLiteral("ｼｰﾄ構成の変更を保存できませんでした。") + QStringLiteral("\r\n")
                                 + m_form.Excel().LastSaveError(),
                             0x10, QString(), &m_form);
            return false;
        }
        m_form.Books().UpdateDetails(m_form.ActiveBookPath);
    }
    m_form.SheetsChanged = false;
    return true;
}

// ---------------------------------------------------------------- clicks and keys

void BookSelection::Click()
{
    if (CountSelectedBooks() > 1) {
        DisableSingleBookCommands();
    } else {
        if (m_form.ActiveBookPath.isEmpty())
            return;
        if (m_form.BookRestriction & 1) {
            SetBookPopupState({}, {}, true, true, false);
            m_form.Menus().SetToolbarState({}, {}, {}, {}, {}, false);
        } else {
            SetBookPopupState({}, true, true, true, true);
            m_form.Action(QStringLiteral("mnuSheetInf"))->setEnabled(true);
            m_form.Menus().SetToolbarState({}, true, {}, {}, true, true, true, true, true, true, true, true, true, true);
        }
        DisableSheetCommandsWhenEmpty();
    }
    if (m_form.BookViewButton == 2 && m_form.Action(QStringLiteral("menuBookPopup"))->isEnabled()) {
        QAbstractItemView *view = m_form.BookView()->currentView();
        const QList<int> selected = m_form.Books().SelectedRows();
        const QModelIndex index = m_form.BookView()->model()->index(selected.isEmpty() ? 0 : selected.first(), 0);
        const QRect item = view->visualRect(index);
        m_form.Popup(QStringLiteral("menuBookPopup"))->popup(view->viewport()->mapToGlobal(item.bottomLeft()));
    }
    m_form.BookViewButton = 0;
}

void BookSelection::GotFocus()
{
    m_form.ActivePane = 0;
    m_form.SetPanelText(2, BookViewText);
}

void BookSelection::MouseDown(int button)
{
    m_form.BookViewButton = m_form.Title(0)->text().isEmpty() ? 0 : button;
}

bool BookSelection::KeyPress(int key, bool control)
{
    if (control && key == Qt::Key_A) {
        m_form.Presentation().SelectAllBooks();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        m_form.BookViewButton = 2;
        Click();
        return true;
    }
    if (key == Qt::Key_Delete) {
        m_form.Import().RemoveBooks();
        return true;
    }
    return false;
}

void BookSelection::KeyUp(int key)
{
    if (key == Qt::Key_Up || key == Qt::Key_Down)
        UpdateSelectionCountText();
}

int BookSelection::CountSelectedBooks() const
{
    return m_form.Books().CountSelected();
}

void BookSelection::UpdateSelectionCountText()
{
    const int count = m_form.Books().Count();
    if (count == 0)
        return;
    m_form.SetPanelText(1, SelectionCountText(std::max(1, CountSelectedBooks()), count));
}

// ---------------------------------------------------------------- command state

void BookSelection::DisableSingleBookCommands()
{
    SetBookPopupState({}, {}, false, false);
    m_form.Action(QStringLiteral("mnuSheetInf"))->setEnabled(false);
    m_form.Menus().SetToolbarState({}, false, {}, {}, false, {}, {}, {}, {}, {}, false);
}

void BookSelection::SetBookPopupState(Opt popup, Opt fileDelete, Opt excelOpen, Opt selAllSheet, Opt pageSetUp,
                                      Opt print)
{
    const std::pair<const char *, Opt> items[] = {
        {"menuBookPopup", popup},          {"BookPopFileDelete", fileDelete}, {"BookPopExcelOpen", excelOpen},
        {"BookPopSelAllSheet", selAllSheet}, {"BookPopPageSetUp", pageSetUp}, {"BookPopPrint", print}};
    for (const auto &[name, enabled] : items) {
        if (enabled)
            m_form.Action(QString::fromLatin1(name))->setEnabled(*enabled);
    }
}

void BookSelection::SetFileMenuState(Opt fileNew, Opt fileOpen, Opt fileSave, Opt fileSaveAs, Opt fileDelete,
                                     Opt pageSetup, Opt print, Opt reservedPrint)
{
    const std::pair<const char *, Opt> items[] = {
        {"mnuFileNew", fileNew},     {"mnuFileOpen", fileOpen},         {"mnuFileSave", fileSave},
        {"mnuFileNewSave", fileSaveAs}, {"mnuFileDelete", fileDelete},   {"mnuFileProperties", pageSetup},
        {"mnuPrint", print}};
    for (const auto &[name, enabled] : items) {
        if (enabled)
            m_form.Action(QString::fromLatin1(name))->setEnabled(*enabled);
    }
    if (reservedPrint) {
        const bool on = *reservedPrint && m_form.Reserve.CountReservedBooks() > 0
                        && m_form.Action(QStringLiteral("mnuPrint"))->isEnabled();
        m_form.Action(QStringLiteral("mnuReservePrint"))->setEnabled(on);
    }
}

void BookSelection::DisableSheetCommandsWhenEmpty()
{
    if (m_form.SheetView()->model()->rowCount() > 0)
        return;
    for (const char *name : {"mnuSelAllSheet", "mnuFileDelete", "mnuFileProperties", "mnuPrint", "mnuReservePrint",
                             "BookPopSelAllSheet", "BookPopPageSetUp", "BookPopPrint"})
        m_form.Action(QString::fromLatin1(name))->setEnabled(false);
    m_form.Menus().SetToolMenuState({}, false, false, false, false, false, false, false, false, false);
    m_form.Action(QStringLiteral("mnuSheetMoveCopy"))->setEnabled(false);
}
