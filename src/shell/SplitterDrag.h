#pragma once

class QWidget;
class frmMain;

// Dragging the splitter between the panes: a grey bar follows the mouse
// within the limits the layout allows, and the panes are laid out anew at
// the release.
class SplitterDrag
{
public:
    // Creates the bar, hidden, in the window's client area.
    SplitterDrag(frmMain &form, QWidget *client, QWidget *splitterImage);

    void Pressed();
    void Moved(int mouseX);
    // True when a drag ended here and the panes were laid out.
    bool Released();

private:
    frmMain &m_form;
    QWidget *m_splitterImage;
    QWidget *m_bar = nullptr;
    double m_barLeft = 0;
    bool m_moving = false;
};
