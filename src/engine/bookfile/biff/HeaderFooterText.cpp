#include "HeaderFooterText.h"

namespace quirn {

HeaderFooterText HeaderFooterText::split(const QString &stored)
{
    HeaderFooterText out;
    QString *section = &out.center; // text before any section code is centred
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QChar c = stored.at(i);
        if (c == QLatin1Char('&') && i + 1 < stored.size()) {
            const QChar code = stored.at(i + 1).toUpper();
            if (code == QLatin1Char('L') || code == QLatin1Char('C') || code == QLatin1Char('R')) {
                section = code == QLatin1Char('L') ? &out.left
                        : code == QLatin1Char('C') ? &out.center
                                                   : &out.right;
                ++i;
                continue;
            }
            // Any other code (including "&&") belongs to the section's text.
            section->append(c);
            section->append(stored.at(i + 1));
            ++i;
            continue;
        }
        section->append(c);
    }
    return out;
}

QString HeaderFooterText::join() const
{
    QString out;
    if (!left.isEmpty())
        out += QStringLiteral("&L") + left;
    if (!center.isEmpty())
        out += QStringLiteral("&C") + center;
    if (!right.isEmpty())
        out += QStringLiteral("&R") + right;
    return out;
}

} // namespace quirn
