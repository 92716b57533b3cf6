#pragma once

#include <QString>

#include <stdexcept>

class OfficeError;
namespace quirn {
struct BookFileError;
}

// A failure of the workbook engine as Excel reports one: an error number and
// its message text. Operations that pass failures to their caller throw it.
class ExcelError : public std::runtime_error
{
public:
    enum Number {
        SubscriptOutOfRange = 9,      // no such sheet or book
        ObjectNotSet = 91,            // no application or no active book
        CannotCreateObject = 429,     // the engine cannot be started
        ApplicationDefined = 1004     // what Excel reports for most refusals
    };

    ExcelError(int number, const QString &description);

    int number() const { return m_number; }
    QString description() const { return m_description; }
    // Why, as a stable ASCII word for programs ("not-found", "damaged",
    // "structure-protected", ...): the book file's own reason where it gave
    // one, otherwise one read from the error number.
    QString reason() const;

    static ExcelError noApplication();
    static ExcelError noActiveWorkbook();
    static ExcelError noSuchSheet();
    static ExcelError noSuchWorkbook();
    static ExcelError refused(const QString &description);
    // A failure of the office process, as Excel would report it.
    static ExcelError fromOffice(const OfficeError &error);
    // A refusal of the book file, with its reason.
    static ExcelError fromBookFile(const quirn::BookFileError &error);

private:
    int m_number;
    QString m_description;
    QString m_reason;
};
