#include "TextCollation.h"

#include <QCollator>
#include <QLocale>

namespace {

QCollator MakeCollator(Qt::CaseSensitivity sensitivity)
{
    QCollator collator(QLocale(QLocale::Japanese, QLocale::Japan));
    collator.setCaseSensitivity(sensitivity);
    return collator;
}

// Half-width katakana and full-width Latin as their usual forms, so that
// width, like case, is ignored ("ｼｰﾄ" sorts with "シート").
QString WidthFolded(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF)
            return text.normalized(QString::NormalizationForm_KC);
    }
    return text;
}

} // namespace

int TextCollation::Compare(const QString &a, const QString &b)
{
    // A collator is not to be shared between threads.
    thread_local const QCollator ignoringCase = MakeCollator(Qt::CaseInsensitive);
    thread_local const QCollator withCase = MakeCollator(Qt::CaseSensitive);
    const QString foldedA = WidthFolded(a);
    const QString foldedB = WidthFolded(b);
    if (const int order = ignoringCase.compare(foldedA, foldedB))
        return order;
    if (const int order = withCase.compare(foldedA, foldedB))
        return order;
    return a.compare(b);
}
