#include "EntryProcedure.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return EntryProcedure::Run() ? app.exec() : 0;
}
