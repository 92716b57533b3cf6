#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// The restriction and protected-sheet warning: a message, a don't-show-again
// box and OK.
class frmWarninng1 : public QDialog
{
    Q_OBJECT

public:
    frmWarninng1(const QString &message, const QString &checkCaption, QWidget *parent = nullptr);

    // Shows the dialog modally; returns whether the box was ticked.
    static bool ShowBookWarning(const QString &message, int mode, QWidget *parent);

private:
    QLabel *m_label;
    QCheckBox *m_check;
    QPushButton *m_ok;
};
