#include "SheetKey.h"

#include "cNum.h"

namespace {

constexpr int CodeLength = 5;

// The position of the "/" in front of the code, or -1.
qsizetype CodeSlash(const QString &key)
{
    const qsizetype star = key.lastIndexOf(u'*');
    const qsizetype slash = star - CodeLength - 1;
    if (star < 0 || slash < 0 || key.at(slash) != u'/')
        return -1;
    return slash;
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
