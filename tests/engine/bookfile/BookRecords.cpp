#include "BookRecords.h"

#include "BiffCipher.h"
#include "CompoundFile.h"

#include <QFile>

using namespace quirn;
using namespace quirn::biff;

namespace {

QByteArray normalisedSubstream(QByteArray body, qint64 start)
{
    qsizetype pos = 0;
    int depth = 0;
    quint16 type = 0, length = 0;
    while (recordAt(body, pos, &type, &length) && pos + 4 + length <= body.size()) {
        if (type == rtBof)
            ++depth;
        else if (type == rtEof)
            --depth;
        else if (type == rtIndex && depth == 1 && length >= 16) {
            if (u32(body, pos + 16) != 0)
                put32(body, pos + 16, quint32(qint64(u32(body, pos + 16)) - start));
            for (qsizetype q = pos + 20; q + 4 <= pos + 4 + length; q += 4)
                put32(body, q, quint32(qint64(u32(body, q)) - start));
        }
        pos += 4 + length;
    }
    return body;
}

} // namespace

BookRecords BookRecords::load(const QString &path, const QString &password)
{
    BookRecords out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.error = QStringLiteral("cannot read");
        return out;
    }
    auto container = CompoundFile::open(file.readAll());
    if (!container) {
        out.error = QStringLiteral("not a compound file");
        return out;
    }
    const QString streamName = container->findTopLevelStream(QStringLiteral("Workbook"));
    QByteArray stream;
    for (const QString &p : container->streamPaths()) {
        QByteArray bytes;
        container->readStream(p, &bytes);
        if (p == streamName)
            stream = bytes;
        else
            out.otherStreams.insert(p, bytes);
    }
    // Globals, decrypted when needed.
    qsizetype pos = 0;
    quint16 type = 0, length = 0;
    while (recordAt(stream, pos, &type, &length) && pos + 4 + length <= stream.size()) {
        if (type == rtFilePass) {
            BookFileError error;
            auto cipher = BiffCipher::create(stream.mid(pos + 4, length), password, &error);
            if (!cipher) {
                out.error = error.message;
                return out;
            }
            stream = cipher->decrypt(stream);
            break;
        }
        if (type == rtEof)
            break;
        pos += 4 + length;
    }
    pos = 0;
    qint64 sstAt = 0;
    QList<qint64> sheetStarts;
    while (recordAt(stream, pos, &type, &length) && pos + 4 + length <= stream.size()) {
        Record r{type, stream.mid(pos + 4, length)};
        if (type == rtSst)
            sstAt = pos;
        if (type == rtBoundSheet) {
            sheetStarts.append(u32(r.data, 0));
            put32(r.data, 0, 0);
        }
        if (type == rtExtSst)
            for (qsizetype o = 2; o + 8 <= r.data.size(); o += 8)
                put32(r.data, o, quint32(qint64(u32(r.data, o)) - sstAt));
        out.globals.append(r);
        pos += 4 + length;
        if (type == rtEof)
            break;
    }
    int tab = 0;
    for (const Record &r : out.globals) {
        if (r.type != rtBoundSheet)
            continue;
        const int cch = quint8(r.data.at(6));
        const bool wide = quint8(r.data.at(7)) & 1;
        QString name;
        for (int i = 0; i < cch; ++i)
            name += wide ? QChar(u16(r.data, 8 + 2 * i)) : QChar(quint8(r.data.at(8 + i)));
        const qint64 start = sheetStarts.at(tab++);
        // The substream runs to its matching EOF.
        qsizetype p = start;
        int depth = 0;
        while (recordAt(stream, p, &type, &length) && p + 4 + length <= stream.size()) {
            p += 4 + length;
            if (type == rtBof)
                ++depth;
            else if (type == rtEof && --depth == 0)
                break;
        }
        out.sheetNames.append(name);
        out.substreams.insert(name, normalisedSubstream(stream.mid(start, p - start), start));
    }
    return out;
}

QList<quint16> BookRecords::differingGlobals(const BookRecords &other) const
{
    QList<quint16> out;
    const qsizetype n = qMax(globals.size(), other.globals.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (i >= globals.size() || i >= other.globals.size()) {
            out.append(i < globals.size() ? globals[i].type : other.globals[i].type);
            continue;
        }
        if (globals[i].type != other.globals[i].type || globals[i].data != other.globals[i].data)
            out.append(globals[i].type);
    }
    return out;
}
