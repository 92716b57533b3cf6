#include "BatchVerbs.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace {

// Qt's own notes (a missing runtime folder, font warnings) are not the
// user's business: only errors reach stderr beside the program's messages.
void quietQtMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fputs(("quirn-batch: " + message + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietQtMessages);
    // No window is ever shown: the batch program runs the same with or without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Printing takes the GUI application; every other verb starts faster
    // with the core one (no platform plugin, no font database).
    const bool gui = argc > 1 && (qstrcmp(argv[1], "print") == 0 || qstrcmp(argv[1], "pdf") == 0);
    const std::unique_ptr<QCoreApplication> app = gui ? std::make_unique<QApplication>(argc, argv)
                                                      : std::make_unique<QCoreApplication>(argc, argv);
    return BatchVerbs::Run(QCoreApplication::arguments().mid(1));
}
