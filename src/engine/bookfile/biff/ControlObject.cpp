#include "ControlObject.h"

#include "BiffRecord.h"

namespace quirn {

namespace {

constexpr quint16 ftEnd = 0x0000;
constexpr quint16 ftPioGrbit = 0x0008;
constexpr quint16 ftPictFmla = 0x0009;
constexpr quint16 kPicture = 0x0008;
constexpr quint16 fCtl = 0x0010;   // an ActiveX control
constexpr quint16 fPrstm = 0x0020; // its data in the Ctls stream

} // namespace

std::optional<ControlObject::Link> ControlObject::read(const QByteArray &obj)
{
    using biff::u16;
    using biff::u32;
    if (obj.size() < 22 || u16(obj, 0) != 0x0015 || u16(obj, 4) != kPicture)
        return std::nullopt;
    quint16 flags = 0;
    qsizetype pict = -1, pictEnd = -1;
    for (qsizetype p = 0; p + 4 <= obj.size();) {
        const quint16 ft = u16(obj, p), cb = u16(obj, p + 2);
        if (ft == ftEnd)
            break;
        if (p + 4 + cb > obj.size())
            return std::nullopt;
        if (ft == ftPioGrbit && cb >= 2)
            flags = u16(obj, p + 4);
        else if (ft == ftPictFmla) {
            pict = p + 4;
            pictEnd = p + 4 + cb;
        }
        p += 4 + cb;
    }
    if ((flags & (fCtl | fPrstm)) != (fCtl | fPrstm) || pict < 0)
        return std::nullopt;
    // cbFmla, the formula (a PtgTbl and the class name), then the data's place.
    if (pict + 2 > pictEnd)
        return std::nullopt;
    Link link;
    link.positionAt = pict + 2 + u16(obj, pict);
    if (link.positionAt + 12 > pictEnd)
        return std::nullopt;
    link.position = u32(obj, link.positionAt);
    link.size = u32(obj, link.positionAt + 4);
    // The key: its bytes, then the linked cell's and the list fill range's formulas.
    qsizetype at = link.positionAt + 8;
    const quint32 key = u32(obj, at);
    if (key > quint32(pictEnd - at - 4))
        return std::nullopt;
    at += 4 + qsizetype(key);
    for (int formula = 0; formula < 2 && at + 2 <= pictEnd; ++formula) {
        const quint16 cb = u16(obj, at);
        link.linksCells = link.linksCells || cb > 0;
        at += 2 + cb;
    }
    if (at > pictEnd)
        return std::nullopt;
    return link;
}

} // namespace quirn
