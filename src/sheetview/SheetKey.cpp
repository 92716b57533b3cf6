#include "SheetKey.h"

#include "cNum.h"

namespace {

constexpr int CodeLength = 5;

// The position of the "/" in front of the code, or -1: the last "/" that
// five digits and a "*" follow.
qsizetype CodeSlash(const QString &key)
{
    for (qsizetype star = key.lastIndexOf(u'*'); star > CodeLength; star = key.lastIndexOf(u'*', star - 1)) {
        const qsizetype slash = star - CodeLength - 1;
        if (key.at(slash) != u'/')
            continue;
        bool digits = true;
        for (qsizetype i = slash + 1; i < star; ++i)
            digits = digits && key.at(i).isDigit() && key.at(i).unicode() < 0x80;
        if (digits)
            return slash;
    }
    return -1;
}

} // namespace

QString SheetKey::Make(const QString &bookPath, int attributes, const QString &name)
{
    return bookPath + u'/' + Code(attributes) + u'*' + name;
}

QString SheetKey::Code(int attributes)
{
    return QStringLiteral("%1").arg(attributes, CodeLength, 10, QLatin1Char('0'));
}

QString SheetKey::NameOf(const QString &key)
{
    const qsizetype slash = CodeSlash(key);
    if (slash >= 0)
        return key.mid(slash + CodeLength + 2);
    const qsizetype star = key.lastIndexOf(u'*');
    return star < 0 ? QString() : key.mid(star + 1);
}

QString SheetKey::CodeOf(const QString &key)
{
    const qsizetype slash = CodeSlash(key);
    return slash < 0 ? QString() : key.mid(slash + 1, CodeLength);
}

QString SheetKey::BookPathOf(const QString &key)
{
    const qsizetype slash = CodeSlash(key);
    return slash < 0 ? QString() : key.left(slash);
}

int SheetKey::AttributesOf(const QString &key)
{
    bool ok = false;
    const int value = CodeOf(key).toInt(&ok);
    return ok ? value : -1;
}

bool SheetKey::TestSheetKeyBit(const QString &key, int bit, bool wantSet)
{
    const int attributes = AttributesOf(key);
    if (attributes < 0)
        return false;
    return wantSet ? cNum::TestBitOn(attributes, bit) : cNum::TestBitOff(attributes, bit);
}
