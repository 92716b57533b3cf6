#include "SheetCommandEvents.h"

#include "ReportSystemError.h"
#include "SheetClipboard.h"
#include "SheetEditing.h"
#include "WindowState.h"
#include "cListView.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QListView>
#include <QTreeView>

SheetCommandEvents::SheetCommandEvents(const WindowState &state, cListView &view, SheetEditing &editing,
                                       SheetClipboard &clipboard, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_editing(editing)
    , m_clipboard(clipboard)
{
    for (QAbstractItemView *list : {static_cast<QAbstractItemView *>(view.listView()),
                                    static_cast<QAbstractItemView *>(view.reportView())}) {
        list->setAcceptDrops(true);
        list->viewport()->setAcceptDrops(true);
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }
}

bool SheetCommandEvents::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        bool used = false;
        TrapErrors([&] { used = KeyPress(key->key(), key->modifiers()); });
        return used;
    }
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop)
        return DragEvent(event);
    return QObject::eventFilter(watched, event);
}

bool SheetCommandEvents::KeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers held = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (held == Qt::NoModifier && key == Qt::Key_Delete) {
        if (!(m_state.BookRestriction & 1))
            m_editing.DeleteSelectedSheets();
        return true;
    }
    if (held == Qt::NoModifier && key == Qt::Key_F2) {
        m_editing.StartRename();
        return true;
    }
    if (held != Qt::ControlModifier)
        return false;
    switch (key) {
    case Qt::Key_C:
        m_clipboard.Copy();
        return true;
    case Qt::Key_X:
        m_clipboard.Cut();
        return true;
    case Qt::Key_V:
        m_clipboard.Paste();
        return true;
    default:
        return false;
    }
}

bool SheetCommandEvents::DragEvent(QEvent *event)
{
    if (event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        drop->acceptProposedAction();
        TrapErrors([&] { m_clipboard.Drop(*drop->mimeData(), drop->modifiers(), drop->position().toPoint()); });
        return true;
    }
    auto *drag = static_cast<QDragMoveEvent *>(event);
    Qt::DropAction effect = Qt::IgnoreAction;
    TrapErrors([&] {
        effect = m_clipboard.DragOver(*drag->mimeData(), drag->modifiers(), drag->position().toPoint());
    });
    if (effect == Qt::IgnoreAction) {
        // Entering over no item: later moves may reach one, so the drag is let in.
        if (event->type() == QEvent::DragEnter && m_clipboard.AcceptsDrag(*drag->mimeData()))
            drag->accept();
        else
            drag->ignore();
    } else {
        drag->setDropAction(effect);
        drag->accept();
    }
    return true;
}
