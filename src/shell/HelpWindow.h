#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

// The program's help: the user manual (HTML with pictures) that ships with
// the program, in a window of its own titled "Quirnのヘルプ". There is never
// more than one such window.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    static const QString Title;

    // Opens the help window, or brings the open one to the front.
    static void Show();
    // The open help window, or null.
    static HelpWindow *Find();

    // The folder of the manual: "help" beside the program (the build tree),
    // else the installed share folder; empty when neither holds it.
    static QString HelpFolder();
    // The program's folder the manual is looked for from (tests point it
    // at the build tree's program folder).
    static inline QString ProgramFolder;

    QTextBrowser *Browser() const { return m_browser; }

private:
    HelpWindow();

    QTextBrowser *m_browser = nullptr;
};
