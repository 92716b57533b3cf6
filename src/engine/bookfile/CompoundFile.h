#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

namespace quirn {

// A compound file (the container of an .xls book) read from memory through
// libgsf. It reads top-level streams and storages' streams, and writes a copy
// of itself where one top-level stream is replaced: every other stream and
// storage (with its class id) is copied byte for byte.
class CompoundFile
{
public:
    ~CompoundFile();
    CompoundFile(const CompoundFile &) = delete;
    CompoundFile &operator=(const CompoundFile &) = delete;

    // Null when the bytes are not a readable compound file.
    static std::unique_ptr<CompoundFile> open(const QByteArray &fileBytes);
    // A new container holding the one stream `name`.
    static std::unique_ptr<CompoundFile> create(const QString &name, const QByteArray &stream);

    // The exact name of the top-level stream named `name` ignoring case, or empty.
    QString findTopLevelStream(const QString &name) const;

    // The bytes of the stream at `path` ("A/B/C"); false when it is missing,
    // not a stream or cannot be read whole.
    bool readStream(const QString &path, QByteArray *out) const;

    bool hasEntry(const QString &path) const;

    // Paths of every stream ("A/B/C"), storages walked in directory order.
    QStringList streamPaths() const;

    // Writes the container to `targetPath` with the top-level stream
    // `replacedStream` holding `replacement`.
    bool writeCopy(const QString &targetPath, const QString &replacedStream,
                   const QByteArray &replacement, QString *error) const;
    // Writes the container to `targetPath` with the streams at the paths of
    // `streams` ("A/B/C") holding their bytes, made with the storages they
    // need when they are not there, and the streams and storages at
    // `dropped` left out.
    bool writeCopy(const QString &targetPath, const QMap<QString, QByteArray> &streams,
                   const QStringList &dropped, QString *error) const;

private:
    CompoundFile() = default;
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace quirn
