#include "cClipBord.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QClipboard *systemClipboard()
{
    // The clipboard needs a GUI application; without one it cannot be opened.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return nullptr;
    return QGuiApplication::clipboard();
}

} // namespace

QVariant cClipBord::GetClipboardText(QString &sBuffer)
{
    QClipboard *clipboard = systemClipboard();
    if (!clipboard)
        return QVariant(false);
    const QMimeData *data = clipboard->mimeData();
    if (!data || !data->hasText())
        return QVariant(false);
    QString text = data->text();
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    sBuffer = text;
    return QVariant(text);
}

bool cClipBord::SetClipboardText(const QString &string1)
{
    QClipboard *clipboard = systemClipboard();
    if (!clipboard)
        return false;
    clipboard->setText(string1);
    const QMimeData *data = clipboard->mimeData();
    return data && data->hasText() && data->text() == string1;
}

bool cClipBord::ClipboardClear()
{
    QClipboard *clipboard = systemClipboard();
    if (!clipboard)
        return false;
    clipboard->clear();
    const QMimeData *data = clipboard->mimeData();
    return !data || data->formats().isEmpty();
}
