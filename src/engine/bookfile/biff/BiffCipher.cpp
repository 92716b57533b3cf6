#include "BiffCipher.h"

#include "LittleEndian.h"
#include "Rc4.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>

namespace quirn {

namespace {

constexpr quint16 kBof = 0x0809;
constexpr quint16 kFilePass = 0x002F;
constexpr quint16 kUsrExcl = 0x0194;
constexpr quint16 kFileLock = 0x0195;
constexpr quint16 kInterfaceHdr = 0x00E1;
constexpr quint16 kRrdInfo = 0x0138;
constexpr quint16 kRrdHead = 0x0196;
constexpr quint16 kBoundSheet = 0x0085;

constexpr qsizetype kRc4BlockSize = 1024;
constexpr int kMaxXorPasswordLength = 15;
constexpr int kMaxRc4PasswordLength = 255;

// XOR obfuscation tables.
constexpr quint16 kInitialCode[15] = {
    0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C, 0x0E10, 0xF1CE, 0x313E,
    0x1872, 0xE139, 0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3,
};

constexpr quint16 kXorMatrix[105] = {
    0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09,
    0x7B61, 0xF6C2, 0xFDA5, 0xEB6B, 0xC6F7, 0x9DCF, 0x2BBF,
    0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0,
    0x0375, 0x06EA, 0x0DD4, 0x1BA8, 0x3750, 0x6EA0, 0xDD40,
    0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D, 0xAA7A, 0x44D5,
    0x6F45, 0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A,
    0xEB23, 0xC667, 0x9CEF, 0x29FF, 0x53FE, 0xA7FC, 0x5FD9,
    0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68, 0xF6D0,
    0xB861, 0x60E3, 0xC1C6, 0x93AD, 0x377B, 0x6EF6, 0xDDEC,
    0x45A0, 0x8B40, 0x06A1, 0x0D42, 0x1A84, 0x3508, 0x6A10,
    0xAA51, 0x4483, 0x8906, 0x022D, 0x045A, 0x08B4, 0x1168,
    0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C,
    0x3730, 0x6E60, 0xDCC0, 0xA9A1, 0x4363, 0x86C6, 0x1DAD,
    0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373, 0x06E6, 0x0DCC,
    0x1021, 0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4,
};

constexpr quint8 kPadArray[15] = {
    0xBB, 0xFF, 0xFF, 0xBA, 0xFF, 0xFF, 0xB9, 0x80,
    0x00, 0xBE, 0x0F, 0x00, 0xBF, 0x0F, 0x00,
};

QByteArray littleEndian32(quint32 value)
{
    QByteArray out(4, '\0');
    qToLittleEndian<quint32>(value, out.data());
    return out;
}

// How many leading payload bytes of a record are stored in plain text.
qsizetype plainPrefixLength(quint16 type, qsizetype size)
{
    switch (type) {
    case kBof:
    case kFilePass:
    case kUsrExcl:
    case kFileLock:
    case kInterfaceHdr:
    case kRrdInfo:
    case kRrdHead:
        return size;
    case kBoundSheet:
        return std::min<qsizetype>(size, 4);
    default:
        return 0;
    }
}

QByteArray utf16LittleEndian(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QByteArray hash(QCryptographicHash::Algorithm algorithm, const QByteArray &data)
{
    return QCryptographicHash::hash(data, algorithm);
}

// XOR obfuscation works on single bytes: of each character its low byte,
// or its high byte when the low one is zero; at most 15 of them.
QByteArray xorPasswordBytes(const QString &password)
{
    QByteArray bytes;
    for (QChar c : password.left(kMaxXorPasswordLength)) {
        const quint8 low = quint8(c.unicode() & 0xFF);
        bytes.append(char(low != 0 ? low : quint8(c.unicode() >> 8)));
    }
    return bytes;
}

quint16 xorKeyOf(const QByteArray &password)
{
    if (password.isEmpty())
        return 0;
    quint16 key = kInitialCode[password.size() - 1];
    int element = 104;
    for (qsizetype i = password.size() - 1; i >= 0; --i) {
        quint8 c = quint8(password.at(i));
        for (int bit = 0; bit < 7; ++bit, --element) {
            if (c & 0x40)
                key ^= kXorMatrix[element];
            c = quint8(c << 1);
        }
    }
    return key;
}

quint16 verifierOf(const QByteArray &password)
{
    QByteArray bytes;
    bytes.append(char(password.size()));
    bytes.append(password);
    quint16 verifier = 0;
    for (qsizetype i = bytes.size() - 1; i >= 0; --i) {
        const quint16 carry = (verifier & 0x4000) ? 1 : 0;
        verifier = quint16(((verifier << 1) & 0x7FFF) | carry);
        verifier ^= quint8(bytes.at(i));
    }
    return verifier ^ 0xCE4B;
}

quint8 xorRor(quint8 a, quint8 b)
{
    const quint8 v = a ^ b;
    return quint8((v >> 1) | (v << 7));
}

std::array<quint8, 16> xorArrayOf(const QByteArray &password, quint16 key)
{
    std::array<quint8, 16> out{};
    const quint8 high = quint8(key >> 8);
    const quint8 low = quint8(key & 0xFF);
    const int length = int(password.size());
    int index = length;
    if (index % 2 == 1) {
        out[index] = xorRor(kPadArray[0], high);
        --index;
        out[index] = xorRor(quint8(password.at(length - 1)), low);
    }
    while (index > 0) {
        --index;
        out[index] = xorRor(quint8(password.at(index)), high);
        --index;
        out[index] = xorRor(quint8(password.at(index)), low);
    }
    index = 15;
    int padIndex = 15 - length;
    while (padIndex > 0) {
        out[index] = xorRor(kPadArray[padIndex], high);
        --index;
        --padIndex;
        out[index] = xorRor(kPadArray[padIndex], low);
        --index;
        --padIndex;
    }
    return out;
}

quint8 rotateLeft5(quint8 v) { return quint8((v << 5) | (v >> 3)); }
quint8 rotateRight5(quint8 v) { return quint8((v >> 5) | (v << 3)); }

BookFileError passwordError(const QString &password)
{
    if (password.isEmpty())
        return BookFileError::make(BookFileError::Code::PasswordRequired,
                                   QStringLiteral("このブックはパスワードで保護されています。"
                                                  "開くにはパスワードが必要です。"));
    return BookFileError::make(BookFileError::Code::WrongPassword,
                               QStringLiteral("パスワードが正しくありません。"));
}

BookFileError damagedError()
{
    return BookFileError::make(BookFileError::Code::Damaged,
                               QStringLiteral("ブックの暗号化の情報が壊れています。"));
}

BookFileError unsupportedError()
{
    return BookFileError::make(BookFileError::Code::UnsupportedEncryption,
                               QStringLiteral("このブックの暗号化の方式には対応していません。"));
}

void setError(BookFileError *error, const BookFileError &value)
{
    if (error)
        *error = value;
}

} // namespace

QString BiffCipher::defaultPassword()
{
    return QStringLiteral("VelvetSweatshop");
}

quint16 BiffCipher::passwordVerifier(const QString &password)
{
    return verifierOf(xorPasswordBytes(password));
}

QByteArray BiffCipher::xorFilePassPayload(const QString &password)
{
    const QByteArray bytes = xorPasswordBytes(password.isEmpty() ? defaultPassword() : password);
    QByteArray payload(6, '\0');
    qToLittleEndian<quint16>(0, payload.data());
    qToLittleEndian<quint16>(xorKeyOf(bytes), payload.data() + 2);
    qToLittleEndian<quint16>(verifierOf(bytes), payload.data() + 4);
    return payload;
}

std::unique_ptr<BiffCipher> BiffCipher::create(const QByteArray &filePassPayload,
                                               const QString &password,
                                               BookFileError *error)
{
    setError(error, BookFileError());
    const QString effective = password.isEmpty() ? defaultPassword() : password;
    const QByteArray &p = filePassPayload;
    if (p.size() < 6) {
        setError(error, damagedError());
        return nullptr;
    }
    std::unique_ptr<BiffCipher> cipher(new BiffCipher);
    const quint16 type = u16(p, 0);

    if (type == 0) {
        const QByteArray bytes = xorPasswordBytes(effective);
        const quint16 key = xorKeyOf(bytes);
        if (key != u16(p, 2) || verifierOf(bytes) != u16(p, 4)) {
            setError(error, passwordError(password));
            return nullptr;
        }
        cipher->m_scheme = Scheme::Xor;
        cipher->m_xorArray = xorArrayOf(bytes, key);
        return cipher;
    }
    if (type != 1) {
        setError(error, unsupportedError());
        return nullptr;
    }

    const QByteArray unicodePassword = utf16LittleEndian(effective.left(kMaxRc4PasswordLength));
    const quint16 major = u16(p, 2);
    const quint16 minor = u16(p, 4);
    QByteArray encryptedVerifier;
    QByteArray encryptedVerifierHash;
    QCryptographicHash::Algorithm verifierHash;

    if (major == 1 && minor == 1) {
        if (p.size() < 6 + 48) {
            setError(error, damagedError());
            return nullptr;
        }
        const QByteArray salt = p.mid(6, 16);
        encryptedVerifier = p.mid(22, 16);
        encryptedVerifierHash = p.mid(38, 16);
        verifierHash = QCryptographicHash::Md5;
        const QByteArray h0 = hash(QCryptographicHash::Md5, unicodePassword).left(5);
        QByteArray buffer;
        for (int i = 0; i < 16; ++i)
            buffer += h0 + salt;
        cipher->m_scheme = Scheme::Rc4;
        cipher->m_keyBase = hash(QCryptographicHash::Md5, buffer).left(5);
    } else if (major >= 2 && major <= 4 && minor == 2) {
        // Flags, header size, header (flags, extra size, algorithm, hash
        // algorithm, key size, ...), then the verifier.
        if (p.size() < 14) {
            setError(error, damagedError());
            return nullptr;
        }
        const quint32 headerSize = u32(p, 10);
        const qsizetype header = 14;
        if (headerSize < 20 || headerSize > quint32(p.size())
            || header + qsizetype(headerSize) + 4 > p.size()) {
            setError(error, damagedError());
            return nullptr;
        }
        const quint32 algorithm = u32(p, header + 8);
        const quint32 hashAlgorithm = u32(p, header + 12);
        quint32 keyBits = u32(p, header + 16);
        if (keyBits == 0)
            keyBits = 40;
        if ((algorithm != 0 && algorithm != 0x6801) || (hashAlgorithm != 0 && hashAlgorithm != 0x8004)
            || keyBits < 40 || keyBits > 128 || keyBits % 8 != 0) {
            setError(error, unsupportedError());
            return nullptr;
        }
        const qsizetype verifier = header + headerSize;
        const quint32 saltSize = u32(p, verifier);
        if (saltSize != 16 || verifier + 4 + 16 + 16 + 4 + 20 > p.size()) {
            setError(error, damagedError());
            return nullptr;
        }
        const QByteArray salt = p.mid(verifier + 4, 16);
        encryptedVerifier = p.mid(verifier + 20, 16);
        encryptedVerifierHash = p.mid(verifier + 40, 20);
        verifierHash = QCryptographicHash::Sha1;
        cipher->m_scheme = Scheme::Rc4CryptoApi;
        cipher->m_keyBytes = int(keyBits / 8);
        cipher->m_keyBase = hash(QCryptographicHash::Sha1, salt + unicodePassword);
    } else {
        setError(error, unsupportedError());
        return nullptr;
    }

    // The verifier and its hash are encrypted one after the other with the
    // key of block 0.
    Rc4 rc4(cipher->rc4BlockKey(0));
    QByteArray check = encryptedVerifier + encryptedVerifierHash;
    rc4.apply(check.data(), check.size());
    const QByteArray verifierPlain = check.left(16);
    const QByteArray verifierHashPlain = check.mid(16);
    if (hash(verifierHash, verifierPlain) != verifierHashPlain) {
        setError(error, passwordError(password));
        return nullptr;
    }
    return cipher;
}

QByteArray BiffCipher::rc4BlockKey(quint32 block) const
{
    if (m_scheme == Scheme::Rc4)
        return hash(QCryptographicHash::Md5, m_keyBase + littleEndian32(block));
    QByteArray key = hash(QCryptographicHash::Sha1, m_keyBase + littleEndian32(block)).left(m_keyBytes);
    // A 40-bit key is used as a 128-bit key whose other bytes are zero.
    if (m_keyBytes == 5)
        key.append(QByteArray(11, '\0'));
    return key;
}

QByteArray BiffCipher::decrypt(const QByteArray &workbookStream) const
{
    return transform(workbookStream, false);
}

QByteArray BiffCipher::encrypt(const QByteArray &plainStream) const
{
    return transform(plainStream, true);
}

QByteArray BiffCipher::transform(const QByteArray &stream, bool encrypting) const
{
    QByteArray out = stream;
    char *bytes = out.data();
    const qsizetype size = out.size();

    // RC4 state: the block whose key is loaded and the stream offset the key
    // stream has reached.
    std::unique_ptr<Rc4> rc4;
    qsizetype rc4Block = -1;
    qsizetype rc4Position = 0;

    auto applyRc4 = [&](qsizetype from, qsizetype to) {
        while (from < to) {
            const qsizetype block = from / kRc4BlockSize;
            if (block != rc4Block || from < rc4Position) {
                rc4 = std::make_unique<Rc4>(rc4BlockKey(quint32(block)));
                rc4Block = block;
                rc4Position = block * kRc4BlockSize;
            }
            rc4->skip(from - rc4Position);
            const qsizetype end = std::min(to, (block + 1) * kRc4BlockSize);
            rc4->apply(bytes + from, end - from);
            rc4Position = end;
            from = end;
        }
    };

    qsizetype pos = 0;
    while (pos + 4 <= size) {
        const quint16 type = u16(out, pos);
        const qsizetype length = u16(out, pos + 2);
        const qsizetype data = pos + 4;
        if (data + length > size)
            break;
        const qsizetype from = data + plainPrefixLength(type, length);
        const qsizetype to = data + length;
        if (m_scheme == Scheme::Xor) {
            for (qsizetype at = from; at < to; ++at) {
                const quint8 k = m_xorArray[(at + length) % 16];
                const quint8 v = quint8(bytes[at]);
                bytes[at] = char(encrypting ? quint8(rotateLeft5(v) ^ k) : rotateRight5(quint8(v ^ k)));
            }
        } else {
            applyRc4(from, to);
        }
        pos = to;
    }
    return out;
}

QString BiffCipher::schemeName() const
{
    switch (m_scheme) {
    case Scheme::Xor:
        return QStringLiteral("XOR");
    case Scheme::Rc4:
        return QStringLiteral("RC4");
    case Scheme::Rc4CryptoApi:
        return QStringLiteral("RC4 CryptoAPI");
    }
    return QString();
}

} // namespace quirn
