#include "BlankBook.h"

#include "BiffRecord.h"
#include "BiffText.h"

namespace quirn {

using namespace biff;

namespace {

QByteArray record(quint16 type, const QByteArray &data)
{
    return serialize(Record{type, data});
}

QByteArray words(std::initializer_list<quint16> values)
{
    QByteArray out;
    for (quint16 v : values)
        out += le16(v);
    return out;
}

QByteArray bof(quint16 kind)
{
    return record(rtBof, words({kBiff8Version, kind, 0x0DBB, 0x07CC, 0x00C1, 0x0001, 0x0006, 0x0000}));
}

// The default font of a Japanese Excel: MS P Gothic, 11 points.
QByteArray font()
{
    const QString name = QStringLiteral("ＭＳ Ｐゴシック");
    return record(0x0031, words({220, 0, 0x7FFF, 400, 0}) + QByteArray("\x00\x03\x80\x00", 4) + writeShortString(name));
}

QByteArray xf(quint16 fontIndex, bool style, bool outline)
{
    QByteArray d = words({fontIndex, 0, quint16(style ? 0xFFF5 : 0x0001), 0x0020,
                          quint16(outline ? 0xF400 : 0), 0, 0, 0, 0, 0x20C0});
    return record(0x00E0, d);
}

} // namespace

QByteArray BlankBook::workbookStream(const QString &sheetName)
{
    QByteArray globals = bof(kBofDtGlobals);
    globals += record(0x0042, words({1200}));                  // CODEPAGE: Unicode
    globals += record(rtWindowProtect, words({0}));
    globals += record(rtProtect, words({0}));
    globals += record(rtWindow1, words({0x0168, 0x001E, 0x3A5C, 0x2238, 0x0038, 0, 0, 1, 0x0258}));
    globals += record(0x0040, words({0}));                     // BACKUP
    globals += record(0x008D, words({0}));                     // HIDEOBJ
    globals += record(0x0022, words({0}));                     // DATEMODE: 1900
    globals += record(0x000E, words({1}));                     // PRECISION: as shown off
    globals += record(0x00DA, words({0}));                     // BOOKBOOL
    for (int i = 0; i < 4; ++i)
        globals += font();
    globals += xf(0, true, false);
    for (int i = 1; i < 15; ++i)
        globals += xf(i < 3 ? 1 : i < 5 ? 2 : 0, true, true);
    globals += xf(0, false, false);
    globals += record(0x0293, words({0x8000}) + QByteArray("\x00\xFF", 2)); // Normal
    const qsizetype sheetEntryAt = globals.size();
    globals += record(rtBoundSheet, QByteArray(4, '\0') + QByteArray(2, '\0') + writeShortString(sheetName));
    globals += record(0x008C, words({81, 81}));                // COUNTRY: Japan
    globals += record(rtSst, QByteArray(8, '\0'));
    globals += record(rtExtSst, words({8}));
    globals += record(rtEof, QByteArray());

    QByteArray sheet = bof(0x0010);
    sheet += record(rtDimensions, QByteArray(14, '\0'));
    sheet += record(rtWindow2, words({0x06B6, 0, 0, 0x0040, 0, 0, 0, 0, 0}));
    sheet += record(rtEof, QByteArray());

    put32(globals, sheetEntryAt + 4, quint32(globals.size()));
    return globals + sheet;
}

} // namespace quirn
