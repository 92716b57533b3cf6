#pragma once

#include "BookFileError.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace quirn {

// The modules of a book's VBA project, read from the project's `dir` stream
// (compressed) and its `PROJECT` stream (text), in project order.
class VbaProjectReader
{
public:
    // The kinds as Excel numbers its components.
    enum class ModuleKind { Standard = 1, Class = 2, Form = 3, Document = 100 };

    struct Module
    {
        QString name;
        ModuleKind kind = ModuleKind::Standard;
        QString streamName;     // in the project's VBA storage
        quint32 textOffset = 0; // where its compressed source starts in that stream
    };

    // Reads the modules; false, with error() set, when the streams are damaged.
    bool read(const QByteArray &dirStream, const QByteArray &projectStream);

    const QList<Module> &modules() const { return m_modules; }
    int codePage() const { return m_codePage; }
    QString projectName() const { return m_projectName; }
    const BookFileError &error() const { return m_error; }

    // Far more than the project information of any real project holds (a
    // few hundred bytes per module and reference); a stream that expands
    // beyond it is refused rather than expanded.
    static constexpr qsizetype kLargestDecompressed = qsizetype(16) << 20;

    // Undoes the compression of a VBA stream (a compressed container);
    // false, with `out` empty, when the data is not a valid container or
    // would expand beyond `limit` bytes.
    static bool decompress(const QByteArray &container, QByteArray *out,
                           qsizetype limit = kLargestDecompressed);

private:
    struct DirModule
    {
        QByteArray name;
        QString unicodeName;
        QByteArray streamName;
        QString unicodeStreamName;
        quint32 textOffset = 0;
        bool procedural = true;
    };

    bool readDir(const QByteArray &dir, QList<DirModule> *modules);
    QHash<QString, ModuleKind> projectKinds(const QByteArray &projectStream) const;
    bool fail();
    bool failTooLarge();

    QList<Module> m_modules;
    int m_codePage = 1252;
    QString m_projectName;
    BookFileError m_error;
};

} // namespace quirn
