// Start-up time: from starting the program's process to its main window being
// shown, median of several runs. Each run is a fresh process with fresh
// (empty) settings; the parent times it until the child reports the window.

#include "EntryProcedure.h"
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
    Globals::QuitWithoutPrompt = true;
    window->close();
    return 0;
}

double TimeOneStart(const QString &program)
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("XDG_RUNTIME_DIR", home.path());
    if (!env.contains("DISPLAY") && !env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess child;
    child.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    child.start(program, {"--child"});
    while (child.state() != QProcess::NotRunning && !child.canReadLine())
        child.waitForReadyRead(-1);
    const double ms = clock.nsecsElapsed() / 1e6;
    const bool shown = child.readLine().startsWith("shown");
    child.waitForFinished(-1);
    return shown ? ms : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return RunChild(argc, argv);

    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationFilePath();
    std::vector<double> times;
    TimeOneStart(program); // warm the file cache
    for (int i = 0; i < 9; ++i) {
        const double ms = TimeOneStart(program);
        if (ms < 0) {
            std::fprintf(stderr, "run %d: the window was not shown\n", i + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to main window shown: median %.1f ms (min %.1f, max %.1f, %zu runs)\n",
                times[times.size() / 2], times.front(), times.back(), times.size());
    return 0;
}
