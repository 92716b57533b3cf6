#include "PackageZips.h"

#include <zlib.h>

namespace quirn::test {

namespace {

void put16(QByteArray &out, quint32 v)
{
    out.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

QByteArray rawDeflate(const QByteArray &in)
{
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&z, uLong(in.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    z.avail_in = uInt(in.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

} // namespace

QByteArray makeZip(const QList<ZipPart> &parts)
{
    QByteArray out, central;
    for (const ZipPart &p : parts) {
        const QByteArray data = p.deflate ? rawDeflate(p.content) : p.content;
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(p.content.constData()), uInt(p.content.size())));
        const quint32 size = quint32(p.declaredSize >= 0 ? p.declaredSize : p.content.size());
        const QByteArray name = p.name.toUtf8();
        const QByteArray localName = p.localName.isEmpty() ? name : p.localName.toUtf8();
        const quint16 flags = 0x0800 | (p.descriptor ? 0x0008 : 0);
        const quint32 offset = quint32(out.size());
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, flags);
        put16(out, p.deflate ? 8 : 0);
        put32(out, 0);
        put32(out, p.descriptor ? 0 : crc);
        put32(out, p.descriptor ? 0 : quint32(data.size()));
        put32(out, p.descriptor ? 0 : size);
        put16(out, quint32(localName.size()));
        put16(out, 0);
        out.append(localName).append(data);
        if (p.descriptor) {
            put32(out, 0x08074b50);
            put32(out, crc);
            put32(out, quint32(data.size()));
            put32(out, size);
        }
        put32(central, 0x02014b50);
        put16(central, 20);
        put16(central, 20);
        put16(central, flags);
        put16(central, p.deflate ? 8 : 0);
        put32(central, 0);
        put32(central, crc);
        put32(central, quint32(data.size()));
        put32(central, size);
        put16(central, quint32(name.size()));
        put32(central, 0);
        put32(central, 0);
        put32(central, 0);
        put32(central, offset);
        central.append(name);
    }
    const quint32 centralOffset = quint32(out.size());
    out.append(central);
    put32(out, 0x06054b50);
    put32(out, 0);
    put16(out, quint32(parts.size()));
    put16(out, quint32(parts.size()));
    put32(out, quint32(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

QList<ZipPart> bookParts(const QStringList &sheets, const QByteArray &workbookExtra, const QByteArray &sheetXml)
{
    QByteArray types = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                       "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
    QByteArray workbook = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                          "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>";
    QByteArray rels = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    const QByteArray sheet = sheetXml.isEmpty()
        ? QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                     "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData/></worksheet>")
        : sheetXml;
    QList<ZipPart> parts;
    for (int i = 0; i < sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        types += "<Override PartName=\"/xl/worksheets/sheet" + n
            + ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        workbook += "<sheet name=\"" + sheets[i].toHtmlEscaped().toUtf8() + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n
            + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet"
            + n + ".xml\"/>";
        parts.append({QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1), sheet});
    }
    parts.prepend({QStringLiteral("xl/_rels/workbook.xml.rels"), rels + "</Relationships>"});
    parts.prepend({QStringLiteral("xl/workbook.xml"), workbook + "</sheets>" + workbookExtra + "</workbook>"});
    parts.prepend({QStringLiteral("_rels/.rels"),
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                   "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
                   "</Relationships>"});
    parts.prepend({QStringLiteral("[Content_Types].xml"), types + "</Types>"});
    return parts;
}

QByteArray makeBook(const QStringList &sheets)
{
    return makeZip(bookParts(sheets));
}

} // namespace quirn::test
