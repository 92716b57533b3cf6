#pragma once

#include <QString>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

// Builds the main window's menu bar, its four popup menus and its toolbar.
// Every menu, item, separator and button carries its control name as
// objectName (a control array element "name_index"; a toolbar button "tb" +
// its key, with the key as its data); the window finds them by these names.
class MainMenus
{
public:
    // The menu bar and the popup menus (children of the window, never in the bar).
    static void Build(QMainWindow &window);
    // The toolbar with its buttons and separators in their positions.
    static QToolBar *BuildToolbar(QMainWindow &window, QWidget *parent);

private:
    explicit MainMenus(QMainWindow &window);

    void BuildMenus();
    void BuildFileMenu();
    void BuildEditMenu();
    void BuildViewMenu();
    void BuildToolMenu();
    void BuildHelpMenu();
    void BuildPopupMenus();

    static QMenu *AddMenu(QWidget *parent, const QString &name, const QString &caption);
    static QAction *AddItem(QMenu *menu, const QString &name, const QString &caption,
                            const QString &shortcut = QString());
    static QAction *AddSeparator(QMenu *menu, const QString &name);

    QMainWindow &m_window;
};
