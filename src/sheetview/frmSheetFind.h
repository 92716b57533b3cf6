#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QButtonGroup;
class QComboBox;
class QPushButton;

// The find dialog of the sheet view: the name to look for (with the names
// searched before), where to start and how to match. What the user chose
// lives in the public members below for as long as the program runs; each
// opening shows it again.
//
// Tests script it: in scripted mode no modal loop runs; each opening builds
// the real dialog, runs the next queued script on it (which fills the
// controls and answers OK with true, Cancel with false) and clicks the
// answer's button. With nothing queued the dialog answers Cancel.
class frmSheetFind : public QDialog
{
    Q_OBJECT

public:
    using Script = std::function<bool(frmSheetFind &)>;

    // The chosen options: match (Check1) and start (Option1) indexes.
    static inline int FindMode = 2;
    static inline int StartMode = 0;
    // The text to find; empty after Cancel.
    static inline QString FindSheetName;
    // 0: the whole name must match; 1: names beginning with the text match.
    static inline int FindWhole = 1;
    // 0: from the top; otherwise from the last selected sheet.
    static inline int FindStart = 0;
    // 1: every match is selected; 0: the first one only.
    static inline int AllFind = 0;
    // The names searched in this run, oldest first, each once.
    static inline QStringList FindStrings;

    explicit frmSheetFind(QWidget *parent = nullptr);

    // Shows the dialog modally; the members above hold the answer.
    static void Show(QWidget *parent = nullptr);

    static void setScripted(bool scripted);
    static void queueScript(const Script &script);
    static void resetScript();

private:
    void TextEdited(const QString &text);
    void Answer(bool ok);
    void reject() override;

    QComboBox *m_combo = nullptr;
    QButtonGroup *m_start = nullptr;
    QButtonGroup *m_match = nullptr;
    QPushButton *m_ok = nullptr;
    bool m_answered = false;
};
