#pragma once

#include <QString>
#include <Qt>

#include <optional>

class frmMain;

// Making a book the active book: open it in the engine, show its restriction,
// list its sheets and give the warnings the user asked for; the command state
// of the book view and its popup menu.
class BookSelection
{
public:
    using Opt = std::optional<bool>;

    explicit BookSelection(frmMain &form);

    // The item click (also called after an item was selected in code); a
    // click with Shift or Ctrl only extends the selection.
    void OpenSelectedBook(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Opens a book by path as a recently used book is opened: added to the
    // view when missing, selected, opened even when it is the active book.
    void OpenBookByPath(const QString &path);

    // Any click in the list and Enter: command state and the book popup.
    void Click();
    void GotFocus();
    void MouseDown(int button);
    // The key handlers; true when the key was used.
    bool KeyPress(int key, bool control);
    void KeyUp(int key);

    int CountSelectedBooks() const;
    void UpdateSelectionCountText();

    void SetBookPopupState(Opt popup = {}, Opt fileDelete = {}, Opt excelOpen = {}, Opt selAllSheet = {},
                           Opt pageSetUp = {}, Opt print = {});
    void SetFileMenuState(Opt fileNew = {}, Opt fileOpen = {}, Opt fileSave = {}, Opt fileSaveAs = {},
                          Opt fileDelete = {}, Opt pageSetup = {}, Opt print = {}, Opt reservedPrint = {});
    void DisableSheetCommandsWhenEmpty();
    // Commands that need one book: off while several are selected.
    void DisableSingleBookCommands();

    // The unsaved-changes question (when it applies); Yes saves the active book.
    // SheetsChanged is cleared, except when the save fails: that is reported
    // and false returned, and the caller leaves the book active.
    bool OfferToSaveChanges();
    // The restriction label: white on red with text, button face without.
    void SetRestrictionTitle(const QString &text);
    // "n/m 個のｵﾌﾞｼﾞｪｸﾄが選択されています".
    static QString SelectionCountText(int selected, int count);

private:
    void LoadActiveBook(int row, bool fromRecent);
    bool OpenInEngine();
    void ForgetPreviousSheet();
    void ShowOpenFailure(const QString &path);
    QString DetermineRestriction(const QString &name);
    void EnableSingleBookCommands();
    void CheckProjectComponents(const QString &name, bool firstSelection);
    void ReopenIfGone(const QString &path);
    void ShowRestrictionWarnings(const QString &message, const QString &name, bool firstSelection);
    void AdvanceTag(int row);

    frmMain &m_form;
};
