// Starts an office process, prints its process id and waits to be killed:
// the test kills this program so that the office process is left behind.

#include "OfficeProcess.h"

#include <QCoreApplication>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    OfficeProcess office;
    office.start();
    QTextStream(stdout) << office.pid() << Qt::endl;
    for (;;)
        ::pause();
}
