#pragma once

#include <QPersistentModelIndex>
#include <QPoint>
#include <Qt>

class QEvent;
class QObject;
class SheetSort;
class frmMain;

// The mouse, key, drag and focus events of the book view, the sheet view and
// the sheet header, handed to their handlers. The window routes every event
// of those widgets here from its event filter.
class ViewEvents
{
public:
    ViewEvents(frmMain &form, SheetSort &sort);

    // True when the event was used up.
    bool Filter(QObject *watched, QEvent *event);

    // The keys held at the last press or release on either view: an item
    // click reads them.
    Qt::KeyboardModifiers ClickModifiers() const { return m_clickModifiers; }

private:
    bool FilterBookView(QObject *watched, QEvent *event);
    bool FilterSheetView(QObject *watched, QEvent *event);
    bool FilterSheetHeader(QObject *watched, QEvent *event);

    frmMain &m_form;
    SheetSort &m_sort;
    Qt::KeyboardModifiers m_clickModifiers;
    QPoint m_sheetPressPos;
    QPersistentModelIndex m_sheetPressed;
    bool m_sheetDragArmed = false;
};
