#pragma once

class BatchArguments;
class BatchReport;
class cExcel;
class QTextStream;

// The in-place sheet verbs, each on one book and saved at once (the save
// replaces the book whole or not at all):
//   rename BOOK OLD NEW
//   hide|show|veryhide BOOK SHEET...
//   delete BOOK SHEET...
//   sort BOOK [--descending]
// Every sheet is changed or none: a refusal leaves the book untouched.
class SheetEditVerb
{
public:
    static int Rename(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
    static int Hide(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
    static int Show(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
    static int VeryHide(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
    static int Delete(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
    // The window's sort by name, same collation, every sheet taking part.
    static int Sort(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out);
};
