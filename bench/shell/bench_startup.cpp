// Start-up time: from starting the program's process to its main window being
// shown, median of several runs. Each run is a fresh process with fresh
// (empty) settings; the parent times it until the child reports the window.
// Medians against their budgets (see BenchReport.h for the output and the
// exit status).

#include "BenchReport.h"
#include "EntryProcedure.h"
#include "ExcelApplication.h"
#include "cExcel.h"
#include "Globals.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int RunChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!EntryProcedure::Run())
        return 2;
    frmMain *window = EntryProcedure::MainWindow();
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    // Ready: the engine runs and a book could be rendered at once.
    window->Excel().CreateExcel();
    window->Excel().xlApp->office();
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    window->CloseExcelWithoutSaving();
    Globals::QuitWithoutPrompt = true;
    window->close();
    return 0;
}

struct StartTimes
{
    double shown = -1;
    double ready = -1;
};

// Every run starts with empty settings; the engine's profile and process
// records live on between runs, as they do for a user.
StartTimes TimeOneStart(const QString &program, const QString &userHome)
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("XDG_CACHE_HOME", userHome + "/cache");
    env.insert("XDG_RUNTIME_DIR", userHome);
    if (!env.contains("DISPLAY") && !env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess child;
    child.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    child.start(program, {"--child"});
    StartTimes times;
    // A child that says nothing for two minutes is taken for hung.
    for (double *at : {&times.shown, &times.ready}) {
        while (!child.canReadLine()) {
            if (!child.waitForReadyRead(120000))
                break;
        }
        const double ms = clock.nsecsElapsed() / 1e6;
        if (!child.canReadLine() || child.readLine().trimmed().isEmpty())
            break;
        *at = ms;
    }
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished(10000);
    }
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return RunChild(argc, argv);

    QCoreApplication app(argc, argv);
    BenchReport report;
    const QString program = QCoreApplication::applicationFilePath();
    std::vector<double> shown;
    std::vector<double> ready;
    QTemporaryDir userHome;
    TimeOneStart(program, userHome.path()); // warm the file cache and make the profile
    const int runs = 9;
    for (int i = 0; i < runs; ++i) {
        const StartTimes times = TimeOneStart(program, userHome.path());
        if (times.shown < 0 || times.ready < 0) {
            report.Failed(QStringLiteral("start-up"),
                          QStringLiteral("run %1: the window was not shown or the engine not started").arg(i + 1));
            return report.ExitCode();
        }
        shown.push_back(times.shown);
        ready.push_back(times.ready);
    }
    report.Within(QStringLiteral("start to main window shown (%1 runs)").arg(runs), BenchReport::Median(shown), 1000);
    report.Within(QStringLiteral("start to ready, engine running (%1 runs)").arg(runs), BenchReport::Median(ready),
                  2000);
    return report.ExitCode();
}
