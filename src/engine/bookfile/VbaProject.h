#pragma once

#include "BookFileError.h"
#include "VbaProjectReader.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace quirn {

// A VBA project as its streams hold it: the project information, the
// modules in project order and each module's source text. The streams are
// read through a function given paths relative to the project's storage
// ("PROJECT", "VBA/dir", "VBA/Sheet1"), so that the same project is read
// from an .xls book's _VBA_PROJECT_CUR storage and from a vbaProject.bin.
class VbaProject
{
public:
    using StreamReader = std::function<bool(const QString &path, QByteArray *out)>;

    // False, with error() set, when the project's streams are missing or
    // damaged. `streamNames` lists every stream of the project's storage.
    bool read(const StreamReader &readStream, const QStringList &streamNames);

    const QList<VbaProjectReader::Module> &modules() const { return m_reader.modules(); }
    int codePage() const { return m_reader.codePage(); }
    const BookFileError &error() const { return m_error; }

    // The module named `name` (ignoring case, as VBA does), or -1.
    int indexOf(const QString &name) const;
    // The module's source text, in the project's code page; false when its
    // stream is missing or damaged.
    bool source(int index, QByteArray *text) const;

    // Whether `source` holds anything besides attribute lines, Option
    // statements and blank lines. A comment is the user's text: it counts.
    static bool holdsCode(const QByteArray &source);

    // The streams the project information lives in, as read.
    const QByteArray &projectStream() const { return m_project; }
    const QByteArray &projectWmStream() const { return m_projectWm; }
    // The dir stream decompressed.
    const QByteArray &directory() const { return m_dir; }
    const QStringList &streamNames() const { return m_streamNames; }

private:
    StreamReader m_readStream;
    VbaProjectReader m_reader;
    QByteArray m_project, m_projectWm, m_dir;
    QStringList m_streamNames;
    BookFileError m_error;
};

} // namespace quirn
