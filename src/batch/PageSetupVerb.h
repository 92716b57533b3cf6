#pragma once

class BatchArguments;
class BatchReport;
class cExcel;
class QTextStream;

// pagesetup --from BOOK:SHEET BOOK[:SHEET,...]...|FOLDER...: the page setup of
// the model sheet captured and applied, as the window's batch page setup
// does, to the sheets named (every sheet that takes a page setup when none is
// named; a folder stands for its books in name order). Each book is
// saved in place when all its sheets took the setup, and left as it was
// otherwise.
class PageSetupVerb
{
public:
    static int Run(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
};
