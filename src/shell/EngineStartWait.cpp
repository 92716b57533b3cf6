#include "EngineStartWait.h"

#include "OfficeProcess.h"
#include "frmMain.h"

#include <QApplication>
#include <QPointer>

namespace {

const QString StartingText = QStringLiteral("表計算エンジンを起動中…");

} // namespace

void EngineStartWait::Install(frmMain &window)
{
    QPointer<frmMain> target(&window);
    QString shownBefore;
    bool wasEnabled = true;
    OfficeProcess::setStartWait([target, shownBefore, wasEnabled](OfficeProcess::StartWait stage) mutable {
        if (!target)
            return;
        switch (stage) {
        case OfficeProcess::StartWait::Begin:
            shownBefore = target->PanelText(1);
            wasEnabled = target->isEnabled();
            target->SetPanelText(1, StartingText);
            target->setEnabled(false);
            QApplication::setOverrideCursor(Qt::WaitCursor);
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            break;
        case OfficeProcess::StartWait::Tick:
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            break;
        case OfficeProcess::StartWait::End:
            QApplication::restoreOverrideCursor();
            target->setEnabled(wasEnabled);
            if (target->PanelText(1) == StartingText)
                target->SetPanelText(1, shownBefore);
            break;
        }
    });
}

void EngineStartWait::Remove()
{
    OfficeProcess::setStartWait(nullptr);
}
