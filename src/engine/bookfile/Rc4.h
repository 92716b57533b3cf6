#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace quirn {

// The RC4 stream cipher: a key schedule, then one key-stream byte per byte.
class Rc4
{
public:
    explicit Rc4(const QByteArray &key);

    // XORs `size` bytes at `data` with the next key-stream bytes.
    void apply(char *data, qsizetype size);

    // Advances the key stream by `count` bytes.
    void skip(qsizetype count);

private:
    quint8 next();

    std::array<quint8, 256> m_state{};
    quint8 m_i = 0;
    quint8 m_j = 0;
};

} // namespace quirn
