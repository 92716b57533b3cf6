#include "VbaCompression.h"

#include "LittleEndian.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quirn {

namespace {

constexpr qsizetype kChunkSize = 4096;
// The header's bits 12 to 14 are always 0b011; bit 15 marks a compressed chunk.
constexpr quint16 kChunkSignature = 0x3000;
constexpr quint16 kCompressedFlag = 0x8000;
// Candidates looked at for each position: enough for source text, bounded
// for any input.
constexpr int kLongestChain = 256;

// How many bits of a copy token hold the offset, at `done` bytes into the chunk.
int offsetBits(qsizetype done)
{
    int bits = 4;
    while ((qsizetype(1) << bits) < done)
        ++bits;
    return bits;
}

int hashAt(const char *bytes)
{
    return ((quint8(bytes[0]) << 8) ^ (quint8(bytes[1]) << 4) ^ quint8(bytes[2])) & 0x0FFF;
}

} // namespace

QByteArray VbaCompression::compress(const QByteArray &data)
{
    QByteArray out(1, '\x01');
    out.reserve(1 + data.size() + data.size() / 8 + 16);
    for (qsizetype start = 0; start < data.size(); start += kChunkSize)
        compressChunk(data, start, std::min(start + kChunkSize, data.size()), &out);
    return out;
}

// Tokens in groups of eight behind a flag byte whose bits mark the copy
// tokens. A copy token holds (offset - 1) in its high bits and (length - 3)
// in the rest; how many bits each gets depends on how far into the chunk
// the token stands. A chunk that would not shrink is stored raw: exactly
// 4096 bytes, the last chunk padded with zeros, as the format requires.
void VbaCompression::compressChunk(const QByteArray &data, qsizetype start, qsizetype end, QByteArray *out)
{
    const char *bytes = data.constData();
    QByteArray chunk;
    chunk.reserve(kChunkSize + kChunkSize / 8 + 8);
    std::array<int, 4096> head;
    head.fill(-1);
    std::vector<int> previous(size_t(end - start), -1);
    const auto remember = [&](qsizetype at) {
        if (at + 3 <= end) {
            const int h = hashAt(bytes + at);
            previous[size_t(at - start)] = head[size_t(h)];
            head[size_t(h)] = int(at - start);
        }
    };

    qsizetype pos = start;
    while (pos < end) {
        const qsizetype flagAt = chunk.size();
        chunk.append('\0');
        quint8 flags = 0;
        for (int bit = 0; bit < 8 && pos < end; ++bit) {
            const int bits = offsetBits(pos - start);
            const qsizetype longest = std::min<qsizetype>((0xFFFF >> bits) + 3, end - pos);
            qsizetype bestLength = 0, bestOffset = 0;
            if (longest >= 3) {
                int candidate = head[size_t(hashAt(bytes + pos))];
                for (int tries = 0; candidate >= 0 && tries < kLongestChain; ++tries) {
                    const qsizetype from = start + candidate;
                    qsizetype length = 0;
                    while (length < longest && bytes[from + length] == bytes[pos + length])
                        ++length;
                    if (length > bestLength) {
                        bestLength = length;
                        bestOffset = pos - from;
                        if (length == longest)
                            break;
                    }
                    candidate = previous[size_t(candidate)];
                }
            }
            if (bestLength >= 3) {
                flags |= quint8(1 << bit);
                append16(chunk, quint16(((bestOffset - 1) << (16 - bits)) | (bestLength - 3)));
                for (qsizetype k = 0; k < bestLength; ++k)
                    remember(pos + k);
                pos += bestLength;
            } else {
                chunk.append(bytes[pos]);
                remember(pos);
                ++pos;
            }
        }
        chunk[flagAt] = char(flags);
    }
    if (chunk.size() > kChunkSize) {
        append16(*out, quint16(kChunkSignature | (kChunkSize - 1)));
        QByteArray raw = data.mid(start, end - start);
        raw.resize(kChunkSize, '\0');
        out->append(raw);
        return;
    }
    append16(*out, quint16(kCompressedFlag | kChunkSignature | (chunk.size() + 2 - 3)));
    out->append(chunk);
}

} // namespace quirn
