#include "BiffCipher.h"

#include "CompoundFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>


using quirn::BiffCipher;
using quirn::BookFileError;
using quirn::CompoundFile;

namespace {

constexpr quint16 kBof = 0x0809;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kFilePass = 0x002F;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kPassword = 0x0013;
constexpr quint16 kInterfaceHdr = 0x00E1;

QString fixture(const QString &name)
{
    return QStringLiteral(QUIRN_FIXTURES_DIR "/") + name;
}

// The top-level "Workbook" stream of a compound file.
QByteArray workbookStream(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const std::unique_ptr<CompoundFile> container = CompoundFile::open(f.readAll());
    QByteArray out;
    if (container)
        container->readStream(QStringLiteral("Workbook"), &out);
    return out;
}

quint16 u16(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 u32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

struct Record
{
    qsizetype offset;
    quint16 type;
    QByteArray payload;
};

// The records of one substream from `offset` up to and including its EOF.
// Fails when a record is cut off or no EOF comes.
bool substreamRecords(const QByteArray &stream, qsizetype offset, QList<Record> *records)
{
    qsizetype pos = offset;
    while (pos + 4 <= stream.size()) {
        const quint16 type = u16(stream, pos);
        const quint16 length = u16(stream, pos + 2);
        if (length > 8224 || pos + 4 + length > stream.size())
            return false;
        records->append({pos, type, stream.mid(pos + 4, length)});
        pos += 4 + length;
        if (type == kEof)
            return true;
    }
    return false;
}

QByteArray filePassPayload(const QByteArray &stream)
{
    QList<Record> globals;
    substreamRecords(stream, 0, &globals);
    for (const Record &r : globals) {
        if (r.type == kFilePass)
            return r.payload;
    }
    return {};
}

QString boundSheetName(const QByteArray &payload)
{
    const int length = quint8(payload.at(6));
    const bool wide = quint8(payload.at(7)) & 1;
    if (wide)
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(payload.constData() + 8), length);
    return QString::fromLatin1(payload.constData() + 8, length);
}

// Walks the globals and every sheet substream their BOUNDSHEET records point
// at; returns the sheet names, or fails when a substream does not walk cleanly.
bool sheetNamesOfPlainStream(const QByteArray &stream, QStringList *names)
{
    QList<Record> globals;
    if (!substreamRecords(stream, 0, &globals) || globals.first().type != kBof)
        return false;
    for (const Record &r : globals) {
        if (r.type != kBoundSheet)
            continue;
        const qsizetype sheetOffset = u32(r.payload, 0);
        QList<Record> sheet;
        if (!substreamRecords(stream, sheetOffset, &sheet) || sheet.first().type != kBof)
            return false;
        names->append(boundSheetName(r.payload));
    }
    return true;
}

// A plain stream with a FILEPASS record inserted after the globals' BOF;
// the sheets' offsets move with it.
QByteArray withFilePass(const QByteArray &plain, const QByteArray &payload)
{
    QList<Record> globals;
    substreamRecords(plain, 0, &globals);
    const qsizetype insertAt = 4 + globals.first().payload.size();
    const qsizetype shift = 4 + payload.size();
    QByteArray out = plain;
    for (const Record &r : globals) {
        if (r.type == kBoundSheet)
            qToLittleEndian<quint32>(u32(r.payload, 0) + quint32(shift), out.data() + r.offset + 4);
    }
    QByteArray record(4, '\0');
    qToLittleEndian<quint16>(kFilePass, record.data());
    qToLittleEndian<quint16>(quint16(payload.size()), record.data() + 2);
    out.insert(insertAt, record + payload);
    return out;
}

quint8 rotateLeft5(quint8 v) { return quint8((v << 5) | (v >> 3)); }

} // namespace

class tst_BiffCipher : public QObject
{
    Q_OBJECT

private slots:
    void decryptsAndEncryptsBack_data();
    void decryptsAndEncryptsBack();
    void refusesWrongOrMissingPassword_data();
    void refusesWrongOrMissingPassword();
    void decryptedProtectionHashMatchesVerifier();
    void xorObfuscationRoundTrip();
    void xorKnownAnswer();
    void refusesUnknownOrDamagedFilePass();
    void fuzzedInputNeverCrashes();
};

void tst_BiffCipher::decryptsAndEncryptsBack_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QStringList>("sheets");
    QTest::addColumn<int>("sheetCount");

    QTest::newRow("default password, Cyrillic sheets")
        << QString("wb_protected_default_password.xls") << QString() << QString("RC4")
        << QStringList{"Лист1", "Лист2", "Лист3"} << 3;
    QTest::newRow("default password, structure protected")
        << QString("wb_protected_structure_xxx.xls") << QString() << QString("RC4") << QStringList{"Sheet1"} << 1;
    QTest::newRow("RC4 with a password")
        << QString("encrypted_rc4_password.xls") << QString("password") << QString("RC4") << QStringList() << 3;
    QTest::newRow("RC4 CryptoAPI with a password")
        << QString("encrypted_cryptoapi_freedom.xls") << QString("freedom") << QString("RC4 CryptoAPI") << QStringList() << 1;
}

void tst_BiffCipher::decryptsAndEncryptsBack()
{
    QFETCH(QString, file);
    QFETCH(QString, password);
    QFETCH(QString, scheme);
    QFETCH(QStringList, sheets);
    QFETCH(int, sheetCount);

    const QByteArray stream = workbookStream(fixture(file));
    QVERIFY(!stream.isEmpty());
    BookFileError error;
    const auto cipher = BiffCipher::create(filePassPayload(stream), password, &error);
    QVERIFY2(cipher, qPrintable(error.message));
    QVERIFY(!error.isError());
    QCOMPARE(cipher->schemeName(), scheme);

    const QByteArray plain = cipher->decrypt(stream);
    QCOMPARE(plain.size(), stream.size());
    QVERIFY(plain != stream);
    QVERIFY(cipher->encrypt(plain) == stream);

    QStringList names;
    QVERIFY(sheetNamesOfPlainStream(plain, &names));
    QCOMPARE(names.size(), sheetCount);
    if (!sheets.isEmpty())
        QCOMPARE(names, sheets);
    for (const QString &name : names)
        QVERIFY(!name.isEmpty());
}

void tst_BiffCipher::refusesWrongOrMissingPassword_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("code");

    const int wrong = int(BookFileError::Code::WrongPassword);
    const int missing = int(BookFileError::Code::PasswordRequired);
    QTest::newRow("RC4, none given") << QString("encrypted_rc4_password.xls") << QString() << missing;
    QTest::newRow("RC4, wrong") << QString("encrypted_rc4_password.xls") << QString("Password") << wrong;
    QTest::newRow("CryptoAPI, none given") << QString("encrypted_cryptoapi_freedom.xls") << QString() << missing;
    QTest::newRow("CryptoAPI, wrong") << QString("encrypted_cryptoapi_freedom.xls") << QString("freedom ") << wrong;
    QTest::newRow("default-password book, other password")
        << QString("wb_protected_default_password.xls") << QString("xxx") << wrong;
}

void tst_BiffCipher::refusesWrongOrMissingPassword()
{
    QFETCH(QString, file);
    QFETCH(QString, password);
    QFETCH(int, code);

    const QByteArray payload = filePassPayload(workbookStream(fixture(file)));
    QVERIFY(!payload.isEmpty());
    BookFileError error;
    QVERIFY(!BiffCipher::create(payload, password, &error));
    QCOMPARE(int(error.code), code);
    QVERIFY(!error.message.isEmpty());
}

// The structure of this book is protected with the password "xxx"; Excel
// stores the password's verifier in the PASSWORD record.
void tst_BiffCipher::decryptedProtectionHashMatchesVerifier()
{
    const QByteArray stream = workbookStream(fixture("wb_protected_structure_xxx.xls"));
    const auto cipher = BiffCipher::create(filePassPayload(stream), QString(), nullptr);
    QVERIFY(cipher);
    QList<Record> globals;
    QVERIFY(substreamRecords(cipher->decrypt(stream), 0, &globals));
    quint16 hash = 0;
    for (const Record &r : globals) {
        if (r.type == kPassword && r.payload.size() == 2)
            hash = u16(r.payload, 0);
    }
    QCOMPARE(hash, BiffCipher::passwordVerifier("xxx"));
    QVERIFY(BiffCipher::passwordVerifier("xxy") != hash);
}

void tst_BiffCipher::xorObfuscationRoundTrip()
{
    const QByteArray original = workbookStream(fixture("japanese_sheet_names.xls"));
    QStringList originalNames;
    QVERIFY(sheetNamesOfPlainStream(original, &originalNames));

    const QString password = "Quirn-2026";
    const QByteArray payload = BiffCipher::xorFilePassPayload(password);
    QCOMPARE(payload.size(), 6);
    QCOMPARE(u16(payload, 0), quint16(0));
    QCOMPARE(u16(payload, 4), BiffCipher::passwordVerifier(password));

    const QByteArray plain = withFilePass(original, payload);
    BookFileError error;
    const auto cipher = BiffCipher::create(payload, password, &error);
    QVERIFY2(cipher, qPrintable(error.message));
    QCOMPARE(cipher->schemeName(), QString("XOR"));
    QVERIFY(!BiffCipher::create(payload, "quirn-2026", &error));
    QCOMPARE(error.code, BookFileError::Code::WrongPassword);

    const QByteArray encrypted = cipher->encrypt(plain);
    QCOMPARE(encrypted.size(), plain.size());
    QVERIFY(cipher->decrypt(encrypted) == plain);
    QVERIFY(filePassPayload(encrypted) == payload);

    // Each data byte is rotated left by 5 bits and XORed with the key byte
    // chosen by (stream offset + record size) mod 16: two bytes that share a
    // key byte therefore XOR to the XOR of their rotated plain bytes.
    // Headers, BOF, FILEPASS, INTERFACEHDR and the sheets' offsets stay plain.
    QList<Record> globals;
    QVERIFY(substreamRecords(encrypted, 0, &globals));
    std::array<qsizetype, 16> firstAt;
    firstAt.fill(-1);
    int checked = 0;
    for (const Record &r : globals) {
        const qsizetype data = r.offset + 4;
        QCOMPARE(encrypted.mid(r.offset, 4), plain.mid(r.offset, 4));
        qsizetype plainBytes = 0;
        if (r.type == kBof || r.type == kFilePass || r.type == kInterfaceHdr)
            plainBytes = r.payload.size();
        else if (r.type == kBoundSheet)
            plainBytes = 4;
        QCOMPARE(encrypted.mid(data, plainBytes), plain.mid(data, plainBytes));
        for (qsizetype at = data + plainBytes; at < data + r.payload.size(); ++at) {
            const int slot = int((at + r.payload.size()) % 16);
            if (firstAt[slot] < 0) {
                firstAt[slot] = at;
                continue;
            }
            const qsizetype other = firstAt[slot];
            QCOMPARE(quint8(encrypted[at] ^ encrypted[other]),
                     quint8(rotateLeft5(quint8(plain[at])) ^ rotateLeft5(quint8(plain[other]))));
            ++checked;
        }
    }
    QVERIFY(checked > 1000);

    QStringList names;
    QVERIFY(sheetNamesOfPlainStream(cipher->decrypt(encrypted), &names));
    QCOMPARE(names, originalNames);

    // The default password is used when none is given.
    const QByteArray defaultPayload = BiffCipher::xorFilePassPayload(QString());
    QVERIFY(BiffCipher::create(defaultPayload, QString(), nullptr));
    QVERIFY(BiffCipher::create(defaultPayload, BiffCipher::defaultPassword(), nullptr));
}

// Key, verifier and key bytes for the default password, as another reader
// (LibreOffice) accepts them: a fixture obfuscated with them opened there
// with the same cell contents, and one obfuscated with another password did
// not open without it.
void tst_BiffCipher::xorKnownAnswer()
{
    const QByteArray payload = BiffCipher::xorFilePassPayload(QString());
    QCOMPARE(payload.toHex(), QByteArray("000059b30a9a"));
    QCOMPARE(BiffCipher::xorFilePassPayload("other").toHex(), QByteArray("00006d7d10c4"));

    // Zero bytes encrypt to the key bytes themselves.
    const QByteArray head = QByteArray::fromHex("0908100000060500000000000000000000000000")
        + QByteArray::fromHex("2f000600") + payload + QByteArray::fromHex("42002000");
    const QByteArray plain = head + QByteArray(32, '\0');
    const auto cipher = BiffCipher::create(payload, QString(), nullptr);
    QVERIFY(cipher);
    const QByteArray encrypted = cipher->encrypt(plain);
    QCOMPARE(encrypted.left(head.size()), head);
    QCOMPARE(encrypted.mid(head.size()).toHex(),
             QByteArray("9ae21ee305621e699660986e9404876b9ae21ee305621e699660986e9404876b"));
}

void tst_BiffCipher::refusesUnknownOrDamagedFilePass()
{
    const QByteArray rc4 = filePassPayload(workbookStream(fixture("encrypted_rc4_password.xls")));
    const QByteArray cryptoApi = filePassPayload(workbookStream(fixture("encrypted_cryptoapi_freedom.xls")));
    BookFileError error;

    QVERIFY(!BiffCipher::create(QByteArray(), "password", &error));
    QCOMPARE(error.code, BookFileError::Code::Damaged);
    QVERIFY(!BiffCipher::create(rc4.left(30), "password", &error));
    QCOMPARE(error.code, BookFileError::Code::Damaged);
    QVERIFY(!BiffCipher::create(cryptoApi.left(40), "freedom", &error));
    QCOMPARE(error.code, BookFileError::Code::Damaged);

    QByteArray unknownType = rc4;
    unknownType[0] = 2;
    QVERIFY(!BiffCipher::create(unknownType, "password", &error));
    QCOMPARE(error.code, BookFileError::Code::UnsupportedEncryption);
    QByteArray unknownVersion = rc4;
    unknownVersion[2] = 9;
    QVERIFY(!BiffCipher::create(unknownVersion, "password", &error));
    QCOMPARE(error.code, BookFileError::Code::UnsupportedEncryption);
}

// Damaged streams and FILEPASS payloads give errors or garbage, never a
// crash; and whatever the stream, encrypting its decryption gives it back.
void tst_BiffCipher::fuzzedInputNeverCrashes()
{
    QRandomGenerator random(20261207);
    const QList<QPair<QString, QString>> books = {
        {"wb_protected_default_password.xls", QString()},
        {"wb_protected_structure_xxx.xls", QString()},
        {"encrypted_rc4_password.xls", "password"},
        {"encrypted_cryptoapi_freedom.xls", "freedom"},
    };
    for (const auto &[file, password] : books) {
        const QByteArray stream = workbookStream(fixture(file));
        const QByteArray payload = filePassPayload(stream);
        const auto cipher = BiffCipher::create(payload, password, nullptr);
        QVERIFY(cipher);
        for (int round = 0; round < 300; ++round) {
            QByteArray damaged = stream;
            const int edits = 1 + random.bounded(8);
            for (int e = 0; e < edits; ++e)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            if (round % 5 == 0)
                damaged.truncate(random.bounded(int(damaged.size())));
            const QByteArray plain = cipher->decrypt(damaged);
            QVERIFY(cipher->encrypt(plain) == damaged);

            QByteArray damagedPayload = payload;
            damagedPayload[random.bounded(int(payload.size()))] = char(random.bounded(256));
            if (round % 3 == 0)
                damagedPayload.truncate(random.bounded(int(payload.size())));
            if (round % 7 == 0)
                damagedPayload.append(QByteArray(random.bounded(40), char(random.bounded(256))));
            BookFileError error;
            if (!BiffCipher::create(damagedPayload, password, &error))
                QVERIFY(!error.message.isEmpty());
        }
    }
}

QTEST_APPLESS_MAIN(tst_BiffCipher)
#include "tst_BiffCipher.moc"
