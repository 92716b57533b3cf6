#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

// Sheets brought into another book use a workbook name that book already
// defines, differently. The question "use the destination's version?" comes
// first (Yes keeps the destination's definition, which the copied formulas
// then use); No opens this dialog, "名前の重複", which asks for a new name
// under which the incoming definition comes along.
//
// Tests script it: in scripted mode no modal loop runs; each Show() builds the
// real dialog, fills it, and runs the next queued script on it, which sets
// the box and clicks a button. Nothing queued, or no button clicked, answers
// Cancel.
class frmNameConflict : public QDialog
{
    Q_OBJECT

public:
    using Script = std::function<void(frmNameConflict &)>;

    explicit frmNameConflict(QWidget *parent = nullptr);

    // Asks about the name `name` as above. Returns the new name for the
    // incoming definition, or an empty text to keep the destination's (Yes,
    // or Cancel in the dialog). `free` is proposed in the dialog.
    static QString Ask(QWidget *parent, const QString &name, const QString &free);

    // Runs the dialog for `name` proposing `proposed`; the name chosen, empty
    // after Cancel.
    QString Show(const QString &name, const QString &proposed);

    static void setScripted(bool scripted);
    static void queueScript(const Script &script);
    static void resetScript();

private:
    void UpdateOk();

    QLineEdit *m_name = nullptr;
    QPushButton *m_ok = nullptr;
    QString m_chosen;
};
