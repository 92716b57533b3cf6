#include "LinkTable.h"

#include "BiffText.h"

#include <QDir>
#include <QFileInfo>

namespace quirn {

using namespace biff;

namespace {

constexpr quint16 rtExternName = 0x0023;
constexpr int kMaxPath = 255;

bool isSelf(const QByteArray &supBook)
{
    return supBook.size() >= 4 && u16(supBook, 2) == kSelfSupBookMarker;
}

} // namespace

QList<LinkTable::Book> LinkTable::books(const QList<Record> &globals)
{
    QList<Book> out;
    for (const Record &r : globals) {
        if (r.type == rtSupBook)
            out.append({r.data, {}, isSelf(r.data)});
        else if (r.type == rtExternName && !out.isEmpty())
            out.last().names.append(r.data);
        else if (r.type == rtExternSheet)
            break;
    }
    return out;
}

QList<LinkTable::Entry> LinkTable::entries(const QList<Record> &globals)
{
    QList<Entry> out;
    for (const Record &r : globals) {
        if (r.type != rtExternSheet)
            continue;
        const int n = u16(r.data, 0);
        for (int i = 0; i < n && 2 + 6 * i + 6 <= r.data.size(); ++i)
            out.append({u16(r.data, 2 + 6 * i), u16(r.data, 4 + 6 * i), u16(r.data, 6 + 6 * i)});
        break;
    }
    return out;
}

QByteArray LinkTable::externalBook(const QString &path, const QString &fromPath, const QStringList &sheets)
{
    // Stored relative to the referring book, as Excel does: folders down are
    // separated by 3, a folder up is 4.
    const QString relative = QDir(QFileInfo(fromPath).absolutePath()).relativeFilePath(QFileInfo(path).absoluteFilePath());
    QString encoded(QChar(1));
    for (const QString &part : relative.split(QLatin1Char('/'))) {
        if (part == QLatin1String(".."))
            encoded += QChar(4);
        else if (!part.isEmpty())
            encoded += part + QChar(3);
    }
    encoded.chop(1);
    if (encoded.size() > kMaxPath)
        return {};
    const QByteArray name = writeString(encoded);
    QByteArray data = le16(quint16(sheets.size())) + name;
    for (const QString &sheet : sheets)
        data += writeString(sheet);
    return data.size() <= kMaxRecordData ? data : QByteArray();
}

QList<int> LinkTable::bookPositions() const
{
    QList<int> out;
    for (int i = 0; i < m_globals.size(); ++i)
        if (m_globals[i].type == rtSupBook)
            out.append(i);
    return out;
}

int LinkTable::externSheetPosition() const
{
    for (int i = 0; i < m_globals.size(); ++i)
        if (m_globals[i].type == rtExternSheet)
            return i;
    return -1;
}

// Position after the SUPBOOK at `position` and its names and cached cells.
int LinkTable::bookEnd(int position) const
{
    int i = position + 1;
    while (i < m_globals.size()) {
        const quint16 t = m_globals[i].type;
        if (t != rtExternName && t != rtXct && t != rtCrn && t != rtContinue)
            break;
        ++i;
    }
    return i;
}

int LinkTable::insertBook(const QByteArray &data)
{
    const QList<int> positions = bookPositions();
    int at = externSheetPosition();
    if (!positions.isEmpty() && (at < 0 || at > positions.last()))
        at = bookEnd(positions.last());
    if (at < 0) {
        // No links yet: they go ahead of the names, or of what ends the globals.
        for (int i = 0; i < m_globals.size() && at < 0; ++i) {
            const quint16 t = m_globals[i].type;
            if (t == rtName || t == rtMsoDrawingGroup || t == rtSst || t == rtExtSst || t == rtEof)
                at = i;
        }
    }
    m_globals.insert(at, {rtSupBook, data});
    if (externSheetPosition() < 0)
        m_globals.insert(at + 1, {rtExternSheet, le16(0)});
    return int(positions.size());
}

int LinkTable::selfBook()
{
    const QList<int> positions = bookPositions();
    for (int k = 0; k < positions.size(); ++k)
        if (isSelf(m_globals[positions[k]].data))
            return k;
    return insertBook(le16(quint16(m_sheetCount)) + le16(kSelfSupBookMarker));
}

int LinkTable::book(const QByteArray &data)
{
    const QList<int> positions = bookPositions();
    for (int k = 0; k < positions.size(); ++k)
        if (m_globals[positions[k]].data == data)
            return k;
    return insertBook(data);
}

int LinkTable::entry(int book, int first, int last)
{
    const int at = externSheetPosition();
    if (at < 0)
        return -1;
    QByteArray &d = m_globals[at].data;
    const int n = u16(d, 0);
    if (d.size() != 2 + 6 * n || (at + 1 < m_globals.size() && m_globals[at + 1].type == rtContinue))
        return -1; // an entry list continued in further records
    for (int x = 0; x < n; ++x)
        if (u16(d, 2 + 6 * x) == book && u16(d, 4 + 6 * x) == quint16(first) && u16(d, 6 + 6 * x) == quint16(last))
            return x;
    if (d.size() + 6 > kMaxRecordData)
        return -1;
    d += le16(quint16(book)) + le16(quint16(first)) + le16(quint16(last));
    put16(d, 0, quint16(n + 1));
    return n;
}

int LinkTable::externalName(int book, const QByteArray &data)
{
    const QList<int> positions = bookPositions();
    if (book < 0 || book >= positions.size())
        return -1;
    int index = 0, insertAt = positions[book] + 1;
    for (int i = positions[book] + 1; i < m_globals.size(); ++i) {
        const quint16 t = m_globals[i].type;
        if (t == rtExternName) {
            ++index;
            insertAt = i + 1;
            if (m_globals[i].data == data)
                return index;
        } else if (t == rtContinue) {
            insertAt = index > 0 ? i + 1 : insertAt;
        } else {
            break;
        }
    }
    m_globals.insert(insertAt, {rtExternName, data});
    return index + 1;
}

void LinkTable::appendToBook(int book, const QList<Record> &records)
{
    const QList<int> positions = bookPositions();
    if (book < 0 || book >= positions.size())
        return;
    const int at = bookEnd(positions[book]);
    for (int k = 0; k < records.size(); ++k)
        m_globals.insert(at + k, records[k]);
}

} // namespace quirn
