#pragma once

class BatchArguments;
class BatchReport;
class cExcel;
class QTextStream;

// quirn-batch list BOOK... [--json] [--pages]: every book's sheets with name,
// kind, visibility, protection, attribute word and last cell, the page count
// on request, and the book's VBA modules. A book that cannot be read is
// reported and the others are still listed.
class ListVerb
{
public:
    static int Run(const BatchArguments &arguments, cExcel &excel, BatchReport &report,
                   QTextStream &out);
};
