#pragma once

#include <QString>

#include <stdexcept>

// An office operation that did not do what was asked. The text is the
// program's own message, ready to be shown to the user.
class OfficeError : public std::runtime_error
{
public:
    enum class Kind {
        StartFailed,     // the office process could not be started or reached
        NotResponding,   // a call did not answer in time; the process was ended
        ProcessGone,     // the office process is no longer there
        FileMissing,
        NotAWorkbook,    // empty, text, image, other container
        DamagedFile,
        OtherFormat,     // a workbook, but not the Excel 97-2003 format
        PasswordRequired,
        WrongPassword,
        FileLocked,
        NoSuchSheet,
        Refused,         // the office silently did not do what was asked
        ReadOnly,
        SaveFailed,
        ExportFailed,
        NoDisplay,
        Failed           // any other failure reported by the office
    };

    OfficeError(Kind kind, const QString &message);

    Kind kind() const { return m_kind; }
    QString message() const { return m_message; }

private:
    Kind m_kind;
    QString m_message;
};
