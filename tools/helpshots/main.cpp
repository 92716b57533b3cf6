// Draws the pictures of the user manual into a folder:
//   helpshots <folder> [book.xls ...]
// Run it on a display (Xvfb is fine) with a settings folder of its own.
#include "QtTranslations.h"
#include "frmOptions.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

namespace {

void Save(QWidget &widget, const QString &folder, const QString &name)
{
    widget.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

void OptionsPictures(const QString &folder)
{
    frmOptions dialog;
    dialog.show();
    for (int tab = 0; tab < 4; ++tab) {
        dialog.SelectTab(tab);
        QApplication::processEvents();
        Save(dialog, folder, QStringLiteral("options_%1").arg(tab));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    QtTranslations::Install();
    OptionsPictures(folder);
    return 0;
}
