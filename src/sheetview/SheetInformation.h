#pragma once

#include <QList>
#include <QString>

class ExcelAccess;
class QAction;
class QLabel;
class QMenu;
class SheetList;
class cListView;
struct WindowState;

// The sheet information submenu of the sheet popup: a sheet's name, the
// pages it prints and its last used row and column.
class SheetInformation
{
public:
    // infoMenu: the submenu; lines: its name, pages, rows and columns items.
    SheetInformation(const WindowState &state, SheetList &sheets, cListView &view, const QLabel &title,
                     ExcelAccess &excel, QMenu &infoMenu, QList<QAction *> lines);

    // Fills the submenu's lines for the sheet and shows the ones the options
    // ask for ("SheetInf0".."SheetInf3").
    void FillSheetInfoMenu(const QString &name);
    // Before the sheet popup opens: the submenu for the current sheet.
    void PopupOpening();
    // The submenu on its own, under the one selected sheet.
    void ShowSheetInfo();

private:
    const WindowState &m_state;
    SheetList &m_sheets;
    cListView &m_view;
    const QLabel &m_title;
    ExcelAccess &m_excel;
    QMenu &m_infoMenu;
    QList<QAction *> m_lines;
};
