#include "BatchVerbs.h"

#include <QApplication>

#include <cstdio>

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
    QApplication app(argc, argv);
    return BatchVerbs::Run(app.arguments().mid(1));
}
