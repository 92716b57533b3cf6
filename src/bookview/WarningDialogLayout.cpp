#include "WarningDialogLayout.h"

#include "SettingsStore.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

int Pixels(const QWidget &widget, double twips)
{
    return qRound(twips * widget.logicalDpiX() / 1440.0);
}

// The main window's rectangle: the owner's when there is one, else the one
// stored at the last exit.
QRect MainWindowRect(const QWidget &dialog)
{
    if (const QWidget *owner = dialog.parentWidget())
        return owner->window()->frameGeometry();
    const QString &key = SettingsStore::AppKey;
    const QString section = QStringLiteral("Settings");
    const double left = SettingsStore::GetNumber(key, section, QStringLiteral("MainLeft"), 1000);
    const double width = SettingsStore::GetNumber(key, section, QStringLiteral("MainWidth"), 1000);
    const QRect screen = dialog.screen()->availableGeometry();
    return QRect(Pixels(dialog, left), screen.top(), Pixels(dialog, width), screen.height());
}

} // namespace

void WarningDialogLayout::Place(QWidget &dialog, int labelWidth)
{
    const int formWidth = labelWidth + Pixels(dialog, 1200);
    dialog.resize(formWidth, dialog.sizeHint().height());
    const QRect main = MainWindowRect(dialog);
    QRect form(0, 0, formWidth, dialog.height());
    form.moveCenter(main.center());
    // Never beyond the screen's edges.
    const QRect screen = dialog.screen()->availableGeometry();
    form.moveLeft(std::clamp(form.left(), screen.left(), std::max(screen.left(), screen.right() - form.width())));
    form.moveTop(std::clamp(form.top(), screen.top(), std::max(screen.top(), screen.bottom() - form.height())));
    dialog.move(form.topLeft());
}
