#pragma once

#include "BiffRecord.h"

#include <QByteArray>
#include <QHash>
#include <QList>

namespace quirn {

// Maps the cell formats (XF), fonts, number formats and styles of one book
// onto another's tables, as Excel does when sheets are copied across: equal
// entries are shared, the others appended after the target's own, so that
// no index the target already uses moves. The target's palette stays; colour
// indexes are kept as they are.
class CellFormatMap
{
public:
    CellFormatMap(const QList<biff::Record> &target, const QList<biff::Record> &source);

    // Target index for a source one; -1 when the source has no such entry or
    // the target's table is full.
    int xf(int sourceXf);
    int font(int sourceFont);
    int format(int sourceFormat);

    bool isEmpty() const { return m_newFonts.isEmpty() && m_newFormats.isEmpty() && m_newXfs.isEmpty() && m_newStyles.isEmpty(); }
    // Puts the appended records into `globals` (the target's, as given to
    // the constructor or with other records inserted elsewhere).
    void insertInto(QList<biff::Record> &globals) const;

private:
    struct Table
    {
        QList<QByteArray> fonts;
        QHash<int, QString> formats; // id -> code
        QList<QByteArray> xfs;
        QHash<int, QByteArray> styleOfXf; // style XF -> its STYLE record's key
        QHash<QByteArray, int> xfOfStyle;
    };
    static Table read(const QList<biff::Record> &globals);
    static QByteArray styleKey(const QByteArray &style);

    Table m_target;
    Table m_source;
    QHash<QByteArray, int> m_targetFont;
    QHash<QString, int> m_targetFormat;
    QHash<QByteArray, int> m_targetCellXf;
    QHash<int, int> m_xfMemo, m_fontMemo, m_formatMemo;
    int m_nextFormat = 164;
    QList<QByteArray> m_newFonts;
    QList<biff::Record> m_newFormats;
    QList<QByteArray> m_newXfs;
    QList<QByteArray> m_newStyles;
    QList<biff::Record> m_sourceStyles;
};

} // namespace quirn
