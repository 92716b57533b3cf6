#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <cstring>

#include "LittleEndian.h"

namespace quirn::biff {

// Record types the book file reads or edits.
enum RecordType : quint16 {
    rtFormula = 0x0006,
    rtEof = 0x000A,
    rtProtect = 0x0012,
    rtHeader = 0x0014,
    rtFooter = 0x0015,
    rtExternSheet = 0x0017,
    rtName = 0x0018,
    rtWindowProtect = 0x0019,
    rtVerticalPageBreaks = 0x001A,
    rtHorizontalPageBreaks = 0x001B,
    rtNote = 0x001C,
    rtLeftMargin = 0x0026,
    rtRightMargin = 0x0027,
    rtTopMargin = 0x0028,
    rtBottomMargin = 0x0029,
    rtPrintHeaders = 0x002A,
    rtPrintGridlines = 0x002B,
    rtFilePass = 0x002F,
    rtContinue = 0x003C,
    rtWindow1 = 0x003D,
    rtXct = 0x0059,
    rtCrn = 0x005A,
    rtObj = 0x005D,
    rtWsBool = 0x0081,
    rtHCenter = 0x0083,
    rtVCenter = 0x0084,
    rtBoundSheet = 0x0085,
    rtSetup = 0x00A1,
    rtMergedCells = 0x00E5,
    rtMsoDrawingGroup = 0x00EB,
    rtMsoDrawing = 0x00EC,
    rtMsoDrawingSelection = 0x00ED,
    rtSst = 0x00FC,
    rtExtSst = 0x00FF,
    rtTabId = 0x013D,
    rtSupBook = 0x01AE,
    rtTextObject = 0x01B6,
    rtCodeName = 0x01BA,
    rtDimensions = 0x0200,
    rtIndex = 0x020B,
    rtArray = 0x0221,
    rtWindow2 = 0x023E,
    rtSharedFormula = 0x04BC,
    rtBof = 0x0809,
    rtChartSeriesRef = 0x1051, // BRAI
};

constexpr quint16 kBiff8Version = 0x0600;
constexpr quint16 kBofDtGlobals = 0x0005;
constexpr quint16 kBofDtChart = 0x0020;
constexpr quint16 kBofDtMacroSheet = 0x0040;

// The most data one record holds; more goes on in CONTINUE records.
constexpr int kMaxRecordData = 8224;
// The SUPBOOK of the book's own sheets carries this in place of a path.
constexpr quint16 kSelfSupBookMarker = 0x0401;
// WINDOW2 flags: the sheet's tab is selected; the sheet is the one shown.
constexpr quint16 kWindowSelected = 0x0200;
constexpr quint16 kWindowActive = 0x0400;

struct Record
{
    quint16 type = 0;
    QByteArray data;
};

// The buffer readers and writers every record layout uses.
using quirn::put16;
using quirn::put32;
using quirn::u16;
using quirn::u32;

inline double f64(const QByteArray &b, qsizetype o)
{
    double v = 0;
    if (o >= 0 && o + 8 <= b.size())
        std::memcpy(&v, b.constData() + o, 8);
    return v;
}

inline void putF64(QByteArray &b, qsizetype o, double v)
{
    if (o >= 0 && o + 8 <= b.size())
        std::memcpy(b.data() + o, &v, 8);
}

inline QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    put16(b, 0, v);
    return b;
}

inline QByteArray leF64(double v)
{
    QByteArray b(8, '\0');
    putF64(b, 0, v);
    return b;
}

// Header of the record at pos, or false when no whole header is there.
inline bool recordAt(const QByteArray &stream, qsizetype pos, quint16 *type, quint16 *length)
{
    if (pos < 0 || pos + 4 > stream.size())
        return false;
    *type = u16(stream, pos);
    *length = u16(stream, pos + 2);
    return true;
}

inline QByteArray serialize(const Record &r)
{
    QByteArray out;
    out.reserve(4 + r.data.size());
    out += le16(r.type);
    out += le16(quint16(r.data.size()));
    out += r.data;
    return out;
}

} // namespace quirn::biff
