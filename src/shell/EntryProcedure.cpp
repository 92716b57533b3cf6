#include "EntryProcedure.h"

#include "EngineStartWait.h"
#include "Globals.h"
#include "InstanceLock.h"
#include "MessageBox.h"
#include "QtTranslations.h"
#include "SettingsMigration.h"
#include "cExcel.h"
#include "frmMain.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <QTimer>
#include <QVersionNumber>

namespace {

frmMain *g_mainWindow = nullptr;

} // namespace

bool EntryProcedure::Run()
{
    Globals::AppTitle = QStringLiteral("Quirn");
    QCoreApplication::setApplicationName(Globals::AppTitle);
    QtTranslations::Install();
    if (!CheckSystem())
        return false;
    Globals::IsNTPlatform = true;
    if (!CheckEngineInstalled())
        return false;
    // A second copy stops here, before it could touch the settings.
    if (!InstanceLock::Acquire()) {
        MessageBox::Show(QStringLiteral("Quirnは、既に起動しています。"), 0x10, QStringLiteral("Quirn"));
        return false;
    }
    SettingsMigration::ConvertOldSettings();
    WarnOldEngineVersion(Globals::ExcelVersion);
    SettingsMigration::ConvertOldWarnings();
    Globals::ExcelHandedOver = false;

    g_mainWindow = new frmMain;
    g_mainWindow->setAttribute(Qt::WA_DeleteOnClose);
    g_mainWindow->SheetClipboardMode = -1;
    if (!g_mainWindow->Load()) {
        g_mainWindow->close();
        g_mainWindow = nullptr;
        return false;
    }
    g_mainWindow->show();
    // The window comes first; the engine starts behind it, and a command
    // that needs it before it is ready waits with the window painting.
    EngineStartWait::Install(*g_mainWindow);
    QTimer::singleShot(0, g_mainWindow, [] { g_mainWindow->Excel().WarmUpEngine(); });
    return true;
}

frmMain *EntryProcedure::MainWindow()
{
    return g_mainWindow;
}

int EntryProcedure::OSVersion()
{
    const QVersionNumber kernel = QVersionNumber::fromString(QSysInfo::kernelVersion());
    return kernel.majorVersion() * 100 + kernel.minorVersion();
}

bool EntryProcedure::CheckSystem()
{
    if (OSVersion() >= 400)
        return true;
    MessageBox::Show(Globals::AppTitle + QStringLiteral(" は、 'Windows NT 3.51' では動作しません。"), 0x110);
    QCoreApplication::processEvents();
    return false;
}

bool EntryProcedure::CheckEngineInstalled()
{
    Globals::ExcelVersion = QueryEngineVersion();
    return CheckEngineVersion(Globals::ExcelVersion);
}

bool EntryProcedure::CheckEngineVersion(const QString &version)
{
    if (!version.isEmpty())
        return true;
    MessageBox::Show(QStringLiteral("Microsoft Excel がインストールされていません。"), 0x10);
    QCoreApplication::processEvents();
    return false;
}

// The engine is LibreOffice, so the warning is for a version older than the
// one the program is built and tested with (7.4); it never shows for 7.4 on.
void EntryProcedure::WarnOldEngineVersion(const QString &version)
{
    if (QVersionNumber::fromString(version) >= QVersionNumber(7, 4))
        return;
    MessageBox::Show(QStringLiteral("Ver 8.x (Microsoft Office97) 以前の Excel での動作は保証されません。"
                                    "< ｲﾝｽﾄｰﾙされている Excel のﾊﾞｰｼﾞｮﾝ ： Ver")
                         + version + QStringLiteral(" >"),
                     0x130);
    QCoreApplication::processEvents();
}

// The installed engine's version, read from its files: the engine itself
// starts behind the window.
QString EntryProcedure::QueryEngineVersion()
{
    return cExcel::InstalledVersion();
}
