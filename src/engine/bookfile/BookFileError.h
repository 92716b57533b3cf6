#pragma once

#include <QString>

namespace quirn {

// Why a book could not be read, edited or saved. The message is the text shown
// to the user, in the program's own (Japanese) style.
struct BookFileError
{
    enum class Code {
        None,
        NotFound,
        NotReadable,
        NotAWorkbook,
        OldFormat,
        Damaged,
        PasswordRequired,
        WrongPassword,
        UnsupportedEncryption,
        InvalidSheetName,
        DuplicateSheetName,
        NoVisibleSheet,
        StructureProtected,
        NoSuchSheet,
        InvalidReference,
        Unsupported,
        SaveFailed,
        ReadOnly,
        TooLong,
        InvalidName,
    };

    Code code = Code::None;
    QString message;

    bool isError() const { return code != Code::None; }
    explicit operator bool() const { return isError(); }

    static BookFileError make(Code code, const QString &message) { return {code, message}; }
};

} // namespace quirn
