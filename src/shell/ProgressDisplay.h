#pragma once

class PictureBar;
class QLabel;
class QProgressBar;
class QWidget;
class frmMain;

// The progress of a long command: a bar over the status bar's first panel
// while the status bar is shown, otherwise a picture bar along the bottom of
// the book view.
class ProgressDisplay
{
public:
    // Creates both bars, hidden, in the window's client area.
    ProgressDisplay(frmMain &form, QWidget *client, QLabel *firstPanel);

    void Start(double min, double max);
    void Step(double value);
    void End();
    // Shows the bar of the last start again, at the value it had.
    void Resume();

private:
    frmMain &m_form;
    QLabel *m_firstPanel;
    QProgressBar *m_progressBar = nullptr;
    PictureBar *m_pictureBar = nullptr;
    bool m_onStatusBar = true;
};
