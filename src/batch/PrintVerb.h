#pragma once

class BatchArguments;
class BatchReport;
class cExcel;
class QTextStream;

// Print runs without a window, through the window's own print session:
//   print [--printer QUEUE] [--copies N] [--pages FROM-TO] [--one-job] BOOK[:SHEET,...]...
//   pdf --out FILE [--pages FROM-TO] BOOK[:SHEET,...]...
// with the print options' sheet rules (--worksheets 111 --charts 111) for
// books named without sheets. Books are only read, never saved.
class PrintVerb
{
public:
    static int Print(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
    static int Pdf(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
};
