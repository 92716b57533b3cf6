#pragma once

#include <QByteArray>

namespace quirn {

// The compression VBA projects keep their source text and project
// information in: a signature byte, then chunks of up to 4096 bytes each,
// made of literal bytes and copy tokens that refer back into the chunk.
// VbaProjectReader::decompress undoes it.
class VbaCompression
{
public:
    static QByteArray compress(const QByteArray &data);

private:
    static void compressChunk(const QByteArray &data, qsizetype start, qsizetype end, QByteArray *out);
};

} // namespace quirn
