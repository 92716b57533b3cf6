#include "ReportSystemError.h"

#include "EntryProcedure.h"
#include "Globals.h"
#include "frmMain.h"
#include "MessageBox.h"

namespace {

// The gateway closes the engine without saving any book.
void CloseEngineWithoutSaving()
{
    if (frmMain *window = EntryProcedure::MainWindow())
        window->CloseExcelWithoutSaving();
}

} // namespace

QString SystemErrorText(long number, const QString &text)
{
    return QStringLiteral("システムエラーが発生しました。アプリケーションを強制終了しますか？")
           + QStringLiteral("\n\n") + QStringLiteral("詳細内容") + QStringLiteral("\n")
           + QString::number(number) + QStringLiteral("：") + text;
}

void ReportSystemError(long number, const QString &text)
{
    const int answer = MessageBox::Show(SystemErrorText(number, text), 0x1014,
                                        QStringLiteral("システムエラー"));
    if (answer != MessageBox::IDYES)
        return;
    CloseEngineWithoutSaving();
    Globals::EndProcess(1);
}
