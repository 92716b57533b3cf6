#pragma once

#include <QString>

#include <stdexcept>

// A run-time error with a number, as handed to ReportSystemError.
class RunTimeError : public std::runtime_error
{
public:
    RunTimeError(long number, const QString &text)
        : std::runtime_error(text.toStdString()), m_number(number) {}
    long Number() const { return m_number; }

private:
    long m_number;
};
