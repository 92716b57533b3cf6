#include "Rc4.h"

#include <utility>

namespace quirn {

Rc4::Rc4(const QByteArray &key)
{
    for (int i = 0; i < 256; ++i)
        m_state[i] = quint8(i);
    if (key.isEmpty())
        return;
    quint8 j = 0;
    for (int i = 0; i < 256; ++i) {
        j = quint8(j + m_state[i] + quint8(key.at(i % key.size())));
        std::swap(m_state[i], m_state[j]);
    }
}

quint8 Rc4::next()
{
    m_i = quint8(m_i + 1);
    m_j = quint8(m_j + m_state[m_i]);
    std::swap(m_state[m_i], m_state[m_j]);
    return m_state[quint8(m_state[m_i] + m_state[m_j])];
}

void Rc4::apply(char *data, qsizetype size)
{
    for (qsizetype k = 0; k < size; ++k)
        data[k] = char(quint8(data[k]) ^ next());
}

void Rc4::skip(qsizetype count)
{
    for (qsizetype k = 0; k < count; ++k)
        next();
}

} // namespace quirn
