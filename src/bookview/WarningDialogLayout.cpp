#include "WarningDialogLayout.h"

#include "SettingsStore.h"

#include <QWidget>

namespace {

int Pixels(const QWidget &widget, double twips)
{
    return qRound(twips * widget.logicalDpiX() / 1440.0);
}

} // namespace

void WarningDialogLayout::Place(QWidget &dialog, int labelWidth)
{
    const QString &key = SettingsStore::AppKey;
    const double left = SettingsStore::GetNumber(key, QStringLiteral("Settings"), QStringLiteral("MainLeft"), 1000);
    const double width = SettingsStore::GetNumber(key, QStringLiteral("Settings"), QStringLiteral("MainWidth"), 1000);
    const int formWidth = labelWidth + Pixels(dialog, 1200);
    dialog.resize(formWidth, dialog.sizeHint().height());
    dialog.move(Pixels(dialog, left + width / 2) - formWidth / 2, dialog.y());
}
