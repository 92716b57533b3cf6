#include "CodePageText.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace quirn {

namespace {

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 1200:
        return "UTF-16LE";
    case 1201:
        return "UTF-16BE";
    case 65001:
        return "UTF-8";
    case 10000:
        return "MACINTOSH";
    case 20127:
        return "ASCII";
    case 28591:
        return "ISO-8859-1";
    default:
        return "CP" + QByteArray::number(codePage);
    }
}

bool convert(const QByteArray &bytes, const QByteArray &fromCode, QString *out)
{
    iconv_t cd = iconv_open("UTF-16LE", fromCode.constData());
    if (cd == iconv_t(-1))
        return false;
    std::vector<char> buffer(size_t(bytes.size()) * 4 + 8);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char *output = buffer.data();
    size_t outLeft = buffer.size();
    const size_t result = iconv(cd, &in, &inLeft, &output, &outLeft);
    iconv_close(cd);
    if (result == size_t(-1) || inLeft != 0)
        return false;
    const size_t written = buffer.size() - outLeft;
    *out = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data()),
                              qsizetype(written / 2));
    return true;
}

bool convertFrom(const QString &text, const QByteArray &toCode, QByteArray *out)
{
    iconv_t cd = iconv_open(toCode.constData(), "UTF-16LE");
    if (cd == iconv_t(-1))
        return false;
    std::vector<char> buffer(size_t(text.size()) * 4 + 8);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    char *output = buffer.data();
    size_t outLeft = buffer.size();
    const size_t result = iconv(cd, &in, &inLeft, &output, &outLeft);
    iconv_close(cd);
    if (result == size_t(-1) || inLeft != 0)
        return false;
    *out = QByteArray(buffer.data(), qsizetype(buffer.size() - outLeft));
    return true;
}

} // namespace

bool CodePageText::encode(const QString &text, int codePage, QByteArray *out)
{
    out->clear();
    return text.isEmpty() || convertFrom(text, iconvName(codePage), out);
}

QString CodePageText::decode(const QByteArray &bytes, int codePage)
{
    if (bytes.isEmpty())
        return QString();
    QString text;
    if (convert(bytes, iconvName(codePage), &text))
        return text;
    return QString::fromLatin1(bytes);
}

} // namespace quirn
