#include "ViewEvents.h"

#include "BookImport.h"
#include "BookSelection.h"
#include "ReportSystemError.h"
#include "SheetList.h"
#include "SheetSort.h"
#include "cListView.h"
#include "frmMain.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QMouseEvent>
#include <QTreeView>

ViewEvents::ViewEvents(frmMain &form, SheetSort &sort)
    : m_form(form)
    , m_sort(sort)
{
}

bool ViewEvents::Filter(QObject *watched, QEvent *event)
{
    return FilterBookView(watched, event) || FilterSheetView(watched, event) || FilterSheetHeader(watched, event);
}

namespace {

// The button as the list views' handlers number it: 1 left, 2 right, 4 middle.
int ButtonNumber(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

} // namespace

bool ViewEvents::FilterBookView(QObject *watched, QEvent *event)
{
    const bool viewport = watched == m_form.BookView()->listView()->viewport()
                          || watched == m_form.BookView()->reportView()->viewport();
    const bool view = watched == m_form.BookView()->listView() || watched == m_form.BookView()->reportView();
    if (viewport) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            m_clickModifiers = mouse->modifiers();
            TrapErrors([this, mouse] { m_form.Selection().MouseDown(ButtonNumber(mouse->button())); });
            return false;
        }
        case QEvent::MouseButtonRelease: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            m_clickModifiers = mouse->modifiers();
            // A left click on an item is handled with the item click, after it.
            const bool onItem = m_form.BookView()->currentView()->indexAt(mouse->position().toPoint()).isValid();
            if (mouse->button() == Qt::LeftButton && onItem)
                return false;
            const bool right = mouse->button() == Qt::RightButton;
            TrapErrors([this, right] {
                if (!right)
                    m_form.Selection().UpdateSelectionCountText();
                m_form.Selection().Click();
            });
            return false;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            Qt::DropAction effect = Qt::IgnoreAction;
            TrapErrors([&] {
                effect = m_form.Import().DragOver(*drag->mimeData(), drag->modifiers(), drag->position().toPoint());
            });
            if (effect == Qt::IgnoreAction) {
                // Sheets that enter over empty space are followed all the same:
                // the book under the pointer decides on every move.
                if (event->type() == QEvent::DragEnter && !m_form.BookLoading
                    && drag->mimeData()->hasFormat(SheetList::DragFormat))
                    drag->accept();
                else
                    drag->ignore();
            } else {
                drag->setDropAction(effect);
                drag->accept();
            }
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            drop->acceptProposedAction();
            TrapErrors([this, drop] {
                m_form.Import().Drop(*drop->mimeData(), drop->position().toPoint(), drop->modifiers());
            });
            return true;
        }
        default:
            return false;
        }
    }
    if (!view)
        return false;
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        bool used = false;
        TrapErrors([&] { used = m_form.Selection().KeyPress(key->key(), key->modifiers() & Qt::ControlModifier); });
        return used;
    }
    if (event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        TrapErrors([this, key] { m_form.Selection().KeyUp(key->key()); });
    } else if (event->type() == QEvent::FocusIn) {
        TrapErrors([this] { m_form.Selection().GotFocus(); });
    }
    return false;
}

bool ViewEvents::FilterSheetView(QObject *watched, QEvent *event)
{
    const bool viewport = watched == m_form.SheetView()->listView()->viewport()
                          || watched == m_form.SheetView()->reportView()->viewport();
    const bool view = watched == m_form.SheetView()->listView() || watched == m_form.SheetView()->reportView();
    if (viewport) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            m_clickModifiers = mouse->modifiers();
            m_sheetPressPos = mouse->position().toPoint();
            // A press on a sheet starts a drag once the pointer moves far
            // enough, whichever way; the view's own press selects the sheet
            // first when it was not selected.
            m_sheetPressed = m_form.SheetView()->currentView()->indexAt(m_sheetPressPos);
            m_sheetDragArmed = mouse->button() == Qt::LeftButton && m_sheetPressed.isValid();
            TrapErrors([this, mouse] { m_form.Sheets().MouseDown(ButtonNumber(mouse->button())); });
            return false;
        }
        case QEvent::MouseMove:
            if (!m_sheetDragArmed || !(mouse->buttons() & Qt::LeftButton))
                return false;
            // Until then the view never sees the moves, which would stretch
            // the selection over the sheets passed: what is dragged is what
            // was shown selected at the press.
            if ((mouse->position().toPoint() - m_sheetPressPos).manhattanLength()
                >= QApplication::startDragDistance()) {
                m_sheetDragArmed = false;
                if (m_sheetPressed.isValid() && m_form.SheetView()->selectionModel()->isSelected(m_sheetPressed))
                    TrapErrors([this] { m_form.Sheets().StartDrag(); });
            }
            return true;
        case QEvent::MouseButtonRelease: {
            m_sheetDragArmed = false;
            m_clickModifiers = mouse->modifiers();
            // A left click on an item is handled with the item click, after it.
            const QModelIndex hit = m_form.SheetView()->currentView()->indexAt(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && hit.isValid())
                return false;
            // The sheet right-clicked is the one its popup acts on and tells about.
            if (mouse->button() == Qt::RightButton && hit.isValid())
                TrapErrors([this, hit, mouse] { m_form.Sheets().ItemClick(hit.row(), mouse->modifiers()); });
            TrapErrors([this] { m_form.Sheets().Click(); });
            return false;
        }
        default:
            return false;
        }
    }
    if (!view)
        return false;
    if (event->type() == QEvent::KeyPress) {
        // A key the name editor left unused (Enter that confirms a rename)
        // is the editor's, not a command of the list.
        auto *list = static_cast<QAbstractItemView *>(watched);
        if (QWidget *editor = list->indexWidget(list->currentIndex()); editor && editor->isVisible())
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        bool used = false;
        TrapErrors([&] { used = m_form.Sheets().KeyPress(key->key(), key->modifiers()); });
        return used;
    }
    if (event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        TrapErrors([this, key] { m_form.Sheets().KeyUp(key->key()); });
    } else if (event->type() == QEvent::FocusIn) {
        TrapErrors([this] { m_form.Sheets().GotFocus(); });
    }
    return false;
}

// A press on the sheet view's header sorts the sheets.
bool ViewEvents::FilterSheetHeader(QObject *watched, QEvent *event)
{
    if (watched != m_form.SheetHeader())
        return false;
    if (event->type() == QEvent::MouseButtonPress)
        TrapErrors([this] { m_sort.HeaderPressed(); });
    else if (event->type() == QEvent::MouseButtonRelease)
        TrapErrors([this] { m_sort.HeaderReleased(); });
    return false;
}
