#pragma once

class BatchArguments;
class BatchReport;
class cExcel;
class QTextStream;

// copy|move SRC SHEET... --to TARGET [--before NAME | --after NAME]
// [--allow-loss]: the sheets land as one group next to NAME (at the end of
// TARGET when no place is given), as the window's drop of sheets on a book
// does. TARGET is saved before SRC, so that a failure in between leaves a
// sheet twice rather than nowhere. SRC and TARGET may be one book.
class TransferVerb
{
public:
    static int Copy(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
    static int Move(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
};
