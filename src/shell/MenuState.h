#pragma once

#include <QList>

#include <optional>

class QAction;
class QToolBar;
class QWidget;

// The enabled state of the menu items and toolbar buttons that the commands
// set in groups. An omitted argument leaves its item unchanged. The items are
// found by name once, when the window has built its menus and toolbar.
class MenuState
{
public:
    using Opt = std::optional<bool>;

    MenuState(const QWidget &window, const QToolBar &toolbar);

    void SetEditMenuState(Opt excelOpen = {}, Opt selAllBook = {}, Opt selAllSheet = {}, Opt bookCopy = {},
                          Opt sheetInf = {});
    void SetArrangeMenuState(Opt byDate = {}, Opt byName = {}, Opt byType = {}, Opt bySize = {},
                             Opt byAttr = {});
    void SetToolMenuState(Opt tool = {}, Opt find = {}, Opt sort = {}, Opt rename = {}, Opt del = {},
                          Opt copy = {}, Opt cut = {}, Opt paste = {}, Opt reservPrint = {},
                          Opt nameGet = {});
    // Returns reservPrint as applied: a True is replaced by the Print button's state.
    Opt SetToolbarState(Opt fileOpen = {}, Opt fileSave = {}, Opt print = {}, Opt reservPrint = {},
                        Opt excelOpen = {}, Opt properties = {}, Opt del = {}, Opt allBook = {},
                        Opt allSheet = {}, Opt copyBook = {}, Opt sheetInf = {}, Opt sortAsc = {},
                        Opt sortDsc = {}, Opt find = {});

private:
    static void Apply(QAction *action, const Opt &enabled);
    // The toolbar button at a 1-based position (separators included).
    QAction *Button(int position) const;

    QList<QAction *> m_buttons;
    QAction *m_edit[5] = {};
    QAction *m_arrange[5] = {};
    QAction *m_tool[10] = {};
};
