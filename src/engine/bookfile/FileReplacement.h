#pragma once

#include <QString>

namespace quirn {

// Writes a file in place of another so that a crash at any moment leaves
// either the old file or the new one, never half of one: the new bytes go to
// a temporary file beside the target, which is synced, given the target's
// mode, owner and group (as far as the user may), renamed over it, and the
// folder synced. A temporary file that a killed save left beside the target
// is removed by the next save of it.
class FileReplacement
{
public:
    // `target` is the file to write; a symbolic link writes the file it points to.
    explicit FileReplacement(const QString &target);
    ~FileReplacement(); // removes the temporary file unless committed
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // A file nobody may write (no write permission bit), or one this user
    // may not write. Such a file is never replaced, even by a superuser.
    static bool isReadOnly(const QString &path);
    // The same for the folder a file at `path` would be written into: no file
    // is made in a folder nobody may write.
    static bool isInReadOnlyFolder(const QString &path);

    // Syncs a file written in place, and its folder; false when it cannot.
    static bool syncWritten(const QString &path);

    QString targetPath() const { return m_target; }

    // Makes the (empty) temporary file; false with `reason` when it cannot.
    bool begin(QString *reason);
    QString temporaryPath() const { return m_temporary; }
    // Puts the temporary file in the target's place; false with `reason`,
    // the target untouched, when it cannot.
    bool commit(QString *reason);

private:
    void removeLeftovers() const;

    QString m_target;
    QString m_temporary;
    bool m_committed = false;
};

} // namespace quirn
