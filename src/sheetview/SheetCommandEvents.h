#pragma once

#include <QObject>

class SheetClipboard;
class SheetEditing;
class cListView;
struct WindowState;

// The sheet view's keys and drops for the sheet commands: Delete, F2, Ctrl+C,
// Ctrl+X and Ctrl+V while the list has the focus (so they work whatever state
// the menu items were last given), and sheets dragged within the list.
class SheetCommandEvents : public QObject
{
    Q_OBJECT

public:
    SheetCommandEvents(const WindowState &state, cListView &view, SheetEditing &editing, SheetClipboard &clipboard,
                       QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
    bool DragEvent(QEvent *event);

    const WindowState &m_state;
    SheetEditing &m_editing;
    SheetClipboard &m_clipboard;
};
