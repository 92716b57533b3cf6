#pragma once

#include <QString>
#include <QVariant>

// Path text operations, file facts and temporary files. Paths use "/" as the
// separator; the "drive head" of a path is its root "/".
class cFile
{
public:
    // The command line that opens the file with the program registered for
    // its type in the desktop's MIME associations; empty when there is none.
    static QString Executable(const QVariant &strFileName);
    // The MIME database's name for the file's type (by its extension), else
    // the upper-case extension followed by " ﾌｧｲﾙ".
    static QString GetFileType(const QVariant &strFileName);
    // The extension in upper case, without the dot; empty when there is none.
    static QString Extension(const QVariant &strFileName);

    // Opens the file and locks it for exclusive use; returns its file number,
    // or 0 when the file does not exist, cannot be opened or is locked.
    static qint16 FileLock(const QString &strFileName);
    static void FileUnlock(qint16 intFileNum);

    // The shortened display form of a path for menu captions and titles:
    // "/.../dir/name" with every "&" doubled.
    static QString OmitPathName(const QString &strLongPathName);
    // True when the file is found: a path as it stands, a bare name in the
    // program's folder, the current folder or a folder of PATH.
    static bool CheckExistFile(const QString &strTargetFileName);
    // Files carry no version resource here: always empty text.
    static QString FileVersion(const QString &strTargetFileName);
    // The folder for temporary files, ending in "/".
    static QString TempPath();

    static QString GetFileName(QString strPath);
    static QString AddDirSep(const QString &strPathName);
    static bool DirExists(QString strDirName);
    static QString AddQuotesToFN(QVariant strFileName);
    static QString StripQuotes(QString str);
    static QString GetPathName(QString strFileName);
    // There are no short path names: the path itself when the file exists,
    // otherwise AddQuotesToFN of it.
    static QString GetDosShortPathName(QString strLongPath);
    // A new empty file "TMP….<ext>" in TempPath; the extension defaults to
    // "Lzh". Empty text when it cannot be made.
    static QString TempFile(const QString &strExtension);
    // A new empty file "~VB….tmp" in TempPath; empty text on failure.
    static QString ResponceFile();
    static bool FileExists(QString strPathName);
    static bool MakeDirs(const QString &strDirs);
    static QString RemoveDirSep(const QVariant &strDstDir);
    // Four characters: "r" read-only (the user may not write the file, or no
    // write permission is set at all), "s" system (never), "h" hidden (the
    // name starts with "."), "a" archive (never); "-" for each one not set.
    // Empty text when the file does not exist.
    static QString AttribString(const QString &strFileName);
    static QString MakePath(const QString &Path, const QString &File);
};
