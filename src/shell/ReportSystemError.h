#pragma once

#include "ExcelError.h"
#include "RunTimeError.h"

#include <QString>

#include <exception>
#include <system_error>

// Shows the system error report (critical icon, Yes/No, system-modal). Yes closes
// the engine without saving and ends the process at once, writing nothing back;
// No returns and the caller abandons its command.
void ReportSystemError(long number, const QString &text);

// The text of the report for an error number and text.
QString SystemErrorText(long number, const QString &text);

// Runs one event handler and hands any error it raises to ReportSystemError.
// Returns false when the handler was abandoned.
template <typename Handler>
bool TrapErrors(Handler &&handler)
{
    try {
        handler();
        return true;
    } catch (const RunTimeError &e) {
        ReportSystemError(e.Number(), QString::fromStdString(e.what()));
    } catch (const ExcelError &e) {
        ReportSystemError(e.number(), e.description());
    } catch (const std::system_error &e) {
        ReportSystemError(e.code().value(), QString::fromLocal8Bit(e.what()));
    } catch (const std::exception &e) {
        ReportSystemError(0, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ReportSystemError(0, QStringLiteral("unknown error"));
    }
    return false;
}
