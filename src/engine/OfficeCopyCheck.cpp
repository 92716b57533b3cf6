#include "OfficeCopyCheck.h"

#include "OfficeDocument.h"

#include <algorithm>

namespace {

// A larger sheet is not read cell by cell: it is named as not checked.
constexpr int MostCellsCompared = 2'000'000;

// A sheet's name as a formula writes it before the cell: quoted.
QString quotedSheet(const QString &name)
{
    return u'\'' + QString(name).replace(u'\'', QStringLiteral("''")) + u'\'';
}

QString cellAddress(int row, int column)
{
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

} // namespace

OfficeCopyCheck::OfficeCopyCheck(OfficeDocument &target, const OfficeDocument &source, const Copies &copies)
    : m_target(target)
    , m_source(source)
    , m_copies(copies)
{
}

// How the office writes a link to the source book in the target's formulas.
QString OfficeCopyCheck::sourceLink() const
{
    return u'\'' + m_source.url().replace(u'\'', QStringLiteral("''")) + QStringLiteral("'#");
}

void OfficeCopyCheck::joinGroup()
{
    if (m_copies.size() < 2)
        return;
    const QString link = sourceLink();
    for (const auto &[unused, copy] : std::as_const(m_copies)) {
        for (const auto &[original, other] : std::as_const(m_copies)) {
            const QString local = u'$' + quotedSheet(other) + u'.';
            m_target.replaceInFormulas(copy, link + u'$' + quotedSheet(original) + u'.', local);
            m_target.replaceInFormulas(copy, link + u'$' + original + u'.', local);
        }
    }
}

// A formula as it reads once sheet names are written alike: unquoted, a
// copy's references under its original's name, a link to the source book as
// the source's own reference.
QString OfficeCopyCheck::normalized(QString formula, bool inCopy) const
{
    if (!formula.startsWith(u'='))
        return formula;
    if (inCopy)
        formula.replace(sourceLink(), QString());
    for (const auto &[original, copy] : std::as_const(m_copies)) {
        formula.replace(u'$' + quotedSheet(original) + u'.', u'$' + original + u'.');
        if (inCopy && copy != original) {
            formula.replace(u'$' + quotedSheet(copy) + u'.', u'$' + original + u'.');
            formula.replace(u'$' + copy + u'.', u'$' + original + u'.');
        }
    }
    return formula;
}

QList<std::pair<QString, QString>> OfficeCopyCheck::differences() const
{
    QList<std::pair<QString, QString>> lines;
    for (const auto &[original, copy] : std::as_const(m_copies)) {
        QList<QStringList> before, after;
        try {
            before = m_source.formulas(original, MostCellsCompared);
            after = m_target.formulas(copy, MostCellsCompared);
        } catch (const std::exception &) {
            lines.append({copy, QStringLiteral("シート \"%1\" (コピー元と同じか確かめられません)").arg(copy)});
            continue;
        }
        int differing = 0;
        QString first;
        const qsizetype rows = std::max(before.size(), after.size());
        for (qsizetype r = 0; r < rows; ++r) {
            const QStringList was = before.value(r), is = after.value(r);
            const qsizetype columns = std::max(was.size(), is.size());
            for (qsizetype c = 0; c < columns; ++c) {
                if (normalized(was.value(c), false) == normalized(is.value(c), true))
                    continue;
                if (differing++ == 0)
                    first = cellAddress(int(r), int(c));
            }
        }
        if (differing > 0)
            lines.append({copy, QStringLiteral("シート \"%1\" の %2 個のセルの数式または値 (%3 など。参照やリンクが失われます)")
                                    .arg(copy)
                                    .arg(differing)
                                    .arg(first)});
        if (m_source.isSheetVisible(original) != m_target.isSheetVisible(copy))
            lines.append({copy, QStringLiteral("シート \"%1\" の表示状態").arg(copy)});
    }
    return lines;
}
