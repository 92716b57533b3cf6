#pragma once

#include <QString>

#include <stdexcept>

class OfficeError;

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

    static ExcelError noApplication();
    static ExcelError noActiveWorkbook();
    static ExcelError noSuchSheet();
    static ExcelError noSuchWorkbook();
    static ExcelError refused(const QString &description);
    // A failure of the office process, as Excel would report it.
    static ExcelError fromOffice(const OfficeError &error);

private:
    int m_number;
    QString m_description;
};
