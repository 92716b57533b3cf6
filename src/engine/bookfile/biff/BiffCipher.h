#pragma once

#include "BookFileError.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <memory>

namespace quirn {

// Decrypts and encrypts a BIFF8 workbook stream the way Excel does, for the
// three schemes a FILEPASS record can name: XOR obfuscation, RC4 (MD5 based)
// and RC4 CryptoAPI (SHA-1 based).
//
// Record headers are never encrypted, nor the payloads of BOF, FILEPASS,
// USREXCL, FILELOCK, INTERFACEHDR, RRDINFO and RRDHEAD, nor the first four
// payload bytes of BOUNDSHEET (the substream offset). The RC4 key stream is
// positioned by the byte's offset in the stream (a new key every 1024 bytes),
// so it runs on over the plain bytes as well. Bytes after the last whole
// record are left as they are. encrypt() is the exact inverse of decrypt().
class BiffCipher
{
public:
    enum class Scheme { Xor, Rc4, Rc4CryptoApi };

    // The password Excel uses when the user gave none (a book whose structure
    // is protected is stored encrypted with it).
    static QString defaultPassword();

    // The cipher of a FILEPASS payload (as stored in the stream) opened with
    // `password`; an empty password means the default password. Null, with
    // `error` set, when the password is missing or wrong, the scheme is not
    // supported or the payload is damaged.
    static std::unique_ptr<BiffCipher> create(const QByteArray &filePassPayload,
                                              const QString &password,
                                              BookFileError *error);

    // The FILEPASS payload for XOR obfuscation with `password`.
    static QByteArray xorFilePassPayload(const QString &password);

    // The 16-bit password verifier of XOR obfuscation; Excel stores the same
    // value as the hash of a sheet or workbook protection password.
    static quint16 passwordVerifier(const QString &password);

    QByteArray decrypt(const QByteArray &workbookStream) const;
    QByteArray encrypt(const QByteArray &plainStream) const;

    Scheme scheme() const { return m_scheme; }
    QString schemeName() const;

private:
    BiffCipher() = default;

    QByteArray transform(const QByteArray &stream, bool encrypting) const;
    QByteArray rc4BlockKey(quint32 block) const;

    Scheme m_scheme = Scheme::Rc4;
    std::array<quint8, 16> m_xorArray{};
    QByteArray m_keyBase;   // RC4: truncated hash; CryptoAPI: H0
    int m_keyBytes = 16;    // CryptoAPI key length in bytes
};

} // namespace quirn
