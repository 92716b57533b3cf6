#include "SheetCodeName.h"

#include "BiffRecord.h"
#include "BiffText.h"
#include "RecordCursor.h"

namespace quirn::SheetCodeName {

using namespace biff;

QString read(const QByteArray &body)
{
    for (const SubstreamRecord &r : RecordCursor::all(body))
        if (r.depth == 1 && r.type == rtCodeName && r.length >= 3)
            return readString(body.mid(r.dataAt(), r.length), 0);
    return QString();
}

bool followsCodeName(quint16 type)
{
    switch (type) {
    case 0x0801: // WEBPUB
    case 0x086C: // CELLWATCH
    case 0x0862: // SHEETEXT
    case 0x0867: // FEATHDR
    case 0x0868: // FEAT
    case 0x0871: // FEATHDR11
    case 0x0872: // FEAT11
    case 0x0878: // FEAT12
    case 0x089E: // CRTMLFRT
    case rtEof:
        return true;
    default:
        return false;
    }
}

QByteArray record(const QString &name)
{
    const QByteArray data = writeString(name);
    QByteArray out(4, '\0');
    put16(out, 0, rtCodeName);
    put16(out, 2, quint16(data.size()));
    return out + data;
}

} // namespace quirn::SheetCodeName
