#include "HostileBooks.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <QFile>
#include <QHash>
#include <QtEndian>

#include <algorithm>

namespace HostileBooks {

namespace {

QByteArray u16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian<quint16>(v, b.data());
    return b;
}

QByteArray u32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian<quint32>(v, b.data());
    return b;
}

QByteArray record(quint16 type, const QByteArray &data)
{
    return u16(type) + u16(quint16(data.size())) + data;
}

QByteArray bof(quint16 kind)
{
    return record(0x0809, u16(0x0600) + u16(kind) + u16(0x0DBB) + u16(0x07CC) + u32(0) + u32(6));
}

QByteArray dirRecord(quint16 id, const QByteArray &data)
{
    return u16(id) + u32(quint32(data.size())) + data;
}

GsfOutfile *storageFor(GsfOutfile *root, const QStringList &folders,
                       QHash<QString, GsfOutfile *> *made)
{
    GsfOutfile *parent = root;
    QString path;
    for (const QString &folder : folders) {
        path += folder + QLatin1Char('/');
        GsfOutfile *&dir = (*made)[path];
        if (!dir)
            dir = GSF_OUTFILE(gsf_outfile_new_child(parent, folder.toUtf8().constData(), TRUE));
        parent = dir;
    }
    return parent;
}

} // namespace

QByteArray literalContainer(const QByteArray &data)
{
    QByteArray out(1, char(1));
    for (qsizetype chunk = 0; chunk < data.size(); chunk += 3000) {
        const QByteArray part = data.mid(chunk, 3000);
        QByteArray body;
        for (qsizetype i = 0; i < part.size(); i += 8)
            body += char(0) + part.mid(i, 8);
        out += u16(quint16(0xB000 | (body.size() + 2 - 3))) + body;
    }
    return out;
}

QByteArray workbookStream(int sheets)
{
    QStringList names;
    for (int i = 0; i < sheets; ++i)
        names << QStringLiteral("S%1").arg(i + 1);
    return workbookStream(names);
}

QByteArray workbookStream(const QStringList &sheetNames, const QList<int> &hidden)
{
    const qsizetype sheets = sheetNames.size();
    QByteArray sheet = bof(0x0010) + record(0x0200, QByteArray(14, '\0')) + record(0x000A, {});
    QList<QByteArray> names;
    qsizetype globalsSize = bof(0x0005).size() + 4;
    for (const QString &name : sheetNames) {
        names << name.toLatin1();
        globalsSize += 4 + 8 + names.last().size();
    }
    QByteArray out = bof(0x0005);
    for (int i = 0; i < sheets; ++i) {
        const quint32 offset = quint32(globalsSize + i * sheet.size());
        const char state = hidden.contains(i) ? 1 : 0;
        out += record(0x0085, u32(offset) + state + char(0) + char(names[i].size()) + char(0) + names[i]);
    }
    out += record(0x000A, {});
    for (int i = 0; i < sheets; ++i)
        out += sheet;
    return out;
}

QByteArray expandingContainer(qint64 expandedBytes)
{
    // One literal, then one copy of it 4095 bytes long: a whole chunk.
    const QByteArray chunk = u16(0xB003) + char(0x02) + 'A' + u16(0x0FFC);
    QByteArray out(1, char(1));
    for (qint64 done = 0; done < expandedBytes; done += 4096)
        out += chunk;
    return out;
}

QByteArray smallVbaDir()
{
    QByteArray d;
    d += dirRecord(0x0001, u32(1));
    d += dirRecord(0x0003, u16(1252));
    d += dirRecord(0x0004, "VBAProject");
    d += dirRecord(0x000F, u16(1));
    d += dirRecord(0x0019, "Module1");
    d += dirRecord(0x0021, {});
    d += dirRecord(0x002B, {});
    d += dirRecord(0x0010, {});
    return literalContainer(d);
}

bool writeContainer(const QString &path, const QList<std::pair<QString, QByteArray>> &streams)
{
    gsf_init();
    GError *error = nullptr;
    GsfOutput *sink = gsf_output_stdio_new(QFile::encodeName(path).constData(), &error);
    if (error)
        g_error_free(error);
    if (!sink)
        return false;
    GsfOutfile *root = gsf_outfile_msole_new(sink);
    QHash<QString, GsfOutfile *> storages;
    bool ok = true;
    for (const auto &[streamPath, bytes] : streams) {
        QStringList parts = streamPath.split(QLatin1Char('/'));
        const QString name = parts.takeLast();
        GsfOutput *out = gsf_outfile_new_child(storageFor(root, parts, &storages),
                                               name.toUtf8().constData(), FALSE);
        ok = ok && out && gsf_output_write(out, size_t(bytes.size()),
                                           reinterpret_cast<const guint8 *>(bytes.constData()));
        if (out) {
            ok = gsf_output_close(out) && ok;
            g_object_unref(out);
        }
    }
    // Inner storages close before the ones that hold them.
    QStringList paths = storages.keys();
    std::sort(paths.begin(), paths.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &p : paths) {
        ok = gsf_output_close(GSF_OUTPUT(storages[p])) && ok;
        g_object_unref(storages[p]);
    }
    ok = gsf_output_close(GSF_OUTPUT(root)) && ok;
    g_object_unref(root);
    if (!gsf_output_is_closed(sink))
        ok = gsf_output_close(sink) && ok;
    g_object_unref(sink);
    return ok;
}

bool writeBook(const QString &path, int sheets)
{
    return writeContainer(path, {{QStringLiteral("Workbook"), workbookStream(sheets)}});
}

bool writeBook(const QString &path, const QStringList &names, const QList<int> &hidden)
{
    return writeContainer(path, {{QStringLiteral("Workbook"), workbookStream(names, hidden)}});
}

bool writeVbaBomb(const QString &path, qint64 expandedBytes)
{
    const QByteArray project = "ID=\"{00000000-0000-0000-0000-000000000000}\"\r\nModule=Module1\r\n";
    return writeContainer(path, {{QStringLiteral("Workbook"), workbookStream(1)},
                                 {QStringLiteral("_VBA_PROJECT_CUR/PROJECT"), project},
                                 {QStringLiteral("_VBA_PROJECT_CUR/VBA/dir"), expandingContainer(expandedBytes)}});
}

} // namespace HostileBooks
