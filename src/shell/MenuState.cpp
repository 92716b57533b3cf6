#include "MenuState.h"

#include <QAction>
#include <QToolBar>
#include <QWidget>

namespace {

template <std::size_t N>
void Find(const QWidget &window, QAction *(&actions)[N], const char *const (&names)[N])
{
    for (std::size_t i = 0; i < N; ++i) {
        const QList<QAction *> found = window.findChildren<QAction *>(QString::fromLatin1(names[i]));
        actions[i] = found.isEmpty() ? nullptr : found.first();
    }
}

} // namespace

MenuState::MenuState(const QWidget &window, const QToolBar &toolbar)
    : m_buttons(toolbar.actions())
{
    Find(window, m_edit, {"mnuExcelOpen", "mnuSelAllBook", "mnuSelAllSheet", "mnuBookCopy", "mnuSheetInf"});
    Find(window, m_arrange, {"mnuVAIByDate", "mnuVAIByName", "mnuVAIByType", "mnuVAIBySize", "mnuVAIByAttr"});
    Find(window, m_tool, {"mnuTool", "mnuSheetFind", "mnuSheetSort", "mnuSheetRename", "mnuSheetDel", "mnuSheetCopy",
                          "mnuSheetCut", "mnuSheetPast", "mnuSheetReservPrint", "mnuSheetNameGet"});
}

void MenuState::Apply(QAction *action, const Opt &enabled)
{
    if (action && enabled)
        action->setEnabled(*enabled);
}

QAction *MenuState::Button(int position) const
{
    return position >= 1 && position <= m_buttons.size() ? m_buttons.at(position - 1) : nullptr;
}

void MenuState::SetEditMenuState(Opt excelOpen, Opt selAllBook, Opt selAllSheet, Opt bookCopy, Opt sheetInf)
{
    const Opt states[] = {excelOpen, selAllBook, selAllSheet, bookCopy, sheetInf};
    for (int i = 0; i < 5; ++i)
        Apply(m_edit[i], states[i]);
}

void MenuState::SetArrangeMenuState(Opt byDate, Opt byName, Opt byType, Opt bySize, Opt byAttr)
{
    const Opt states[] = {byDate, byName, byType, bySize, byAttr};
    for (int i = 0; i < 5; ++i)
        Apply(m_arrange[i], states[i]);
}

void MenuState::SetToolMenuState(Opt tool, Opt find, Opt sort, Opt rename, Opt del, Opt copy, Opt cut, Opt paste,
                                 Opt reservPrint, Opt nameGet)
{
    const Opt states[] = {tool, find, sort, rename, del, copy, cut, paste, reservPrint, nameGet};
    for (int i = 0; i < 10; ++i)
        Apply(m_tool[i], states[i]);
}

MenuState::Opt MenuState::SetToolbarState(Opt fileOpen, Opt fileSave, Opt print, Opt reservPrint, Opt excelOpen,
                                          Opt properties, Opt del, Opt allBook, Opt allSheet, Opt copyBook,
                                          Opt sheetInf, Opt sortAsc, Opt sortDsc, Opt find)
{
    Apply(Button(3), fileOpen);
    Apply(Button(4), fileSave);
    Apply(Button(6), print);
    if (reservPrint && *reservPrint && Button(6))
        reservPrint = Button(6)->isEnabled();
    Apply(Button(7), reservPrint);
    Apply(Button(12), excelOpen);
    Apply(Button(9), properties);
    Apply(Button(14), del);
    Apply(Button(16), allBook);
    Apply(Button(17), allSheet);
    Apply(Button(13), copyBook);
    Apply(Button(10), sheetInf);
    Apply(Button(19), sortAsc);
    Apply(Button(20), sortDsc);
    Apply(Button(22), find);
    return reservPrint;
}
