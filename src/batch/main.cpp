#include "BatchVerbs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // No window is ever shown: the batch program runs the same with or without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return BatchVerbs::Run(app.arguments().mid(1));
}
