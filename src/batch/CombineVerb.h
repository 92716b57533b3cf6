#pragma once

class BatchArguments;
class BatchReport;
class cExcel;
class QTextStream;

// combine --into TARGET [--force] BOOK...|FOLDER...: every sheet of the books
// (a folder stands for its books, in name order) copied into TARGET in
// the order the window's copy into one book gives, through the books' own
// records, then the sheets the records cannot carry through the office (each
// after its book's other sheets), whose save of TARGET is refused while it
// would lose something unless --allow-loss. A new TARGET holds only the
// copies; an existing one keeps its sheets first and is added to only with
// --force. Excel 4 macro sheets are skipped and reported.
class CombineVerb
{
public:
    static int Run(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
};
