// Start-up time: from starting the program's process to its main window being
// shown, median of several runs. Each run is a fresh process of a returning
// user (the settings and the engine's profile the first run left); the
// parent times it until the child reports the window.
// The peer, timed in the same run and alternating with ours: the bare office
// started headless on a warm profile and ending as soon as it is up. The
// window must come within twice the peer's time. Medians against their
// budgets (see BenchReport.h for the output and the exit status).

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

// The settings, the engine's profile and process records live on between
// runs, as they do for a user.
StartTimes TimeOneStart(const QString &program, const QString &userHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", userHome);
    env.insert("XDG_CONFIG_HOME", userHome + "/config");
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

// The bare office, whole process: started headless on a warm profile of its
// own, ending as soon as it is up. Milliseconds, -1 when it failed.
double TimeBareOffice(const QString &profile)
{
    QProcess office;
    QElapsedTimer clock;
    clock.start();
    office.start(QStringLiteral(QUIRN_LO_PROGRAM "/soffice"),
                 {QStringLiteral("--headless"), QStringLiteral("--terminate_after_init"),
                  QStringLiteral("-env:UserInstallation=file://") + profile});
    if (!office.waitForFinished(120000)) {
        office.kill();
        office.waitForFinished(10000);
        return -1;
    }
    return office.exitCode() == 0 ? clock.nsecsElapsed() / 1e6 : -1;
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
    std::vector<double> peer;
    QTemporaryDir userHome;
    const QString peerProfile = userHome.filePath(QStringLiteral("peer-profile"));
    TimeOneStart(program, userHome.path()); // warm the file cache and make the profile
    TimeBareOffice(peerProfile);
    const int runs = 9;
    for (int i = 0; i < runs; ++i) {
        peer.push_back(TimeBareOffice(peerProfile));
        if (peer.back() < 0) {
            report.Failed(QStringLiteral("start-up"), QStringLiteral("the bare office did not start and end"));
            return report.ExitCode();
        }
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
    report.Faster(QStringLiteral("start to main window shown vs soffice --headless --terminate_after_init, warm "
                                 "profile (%1 runs, alternating)")
                      .arg(runs),
                  BenchReport::Median(shown), BenchReport::Median(peer), 0.5);
    report.Within(QStringLiteral("start to ready, engine running (%1 runs)").arg(runs), BenchReport::Median(ready),
                  2000);
    return report.ExitCode();
}
