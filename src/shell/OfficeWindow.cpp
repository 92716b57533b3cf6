#include "OfficeWindow.h"

#include "OfficeProcess.h"

#include <QCoreApplication>
#include <QThread>

// Whether an office window of the program's own is open: one a killed run
// left behind, or the book handed to the user.
bool OfficeWindow::IsOpen()
{
    return !OfficeProcess::findLeftover().isEmpty() || !OfficeProcess::findUserProcess().isEmpty();
}

// Asks the first office found to close: the user's window shows its own save
// prompt; a process a killed run left behind is closed (or ended) at once.
void OfficeWindow::AskToClose()
{
    const QList<OfficeRecord> leftover = OfficeProcess::findLeftover();
    if (!leftover.isEmpty()) {
        OfficeProcess::closeLeftover(leftover.first());
        return;
    }
    const QList<OfficeRecord> handedOver = OfficeProcess::findUserProcess();
    if (!handedOver.isEmpty())
        OfficeProcess::askToClose(handedOver.first());
}

// Waits, painting, until the office window has closed (the user may be
// answering its own save prompt, so there is no time limit).
void OfficeWindow::WaitUntilClosed()
{
    while (IsOpen()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}
