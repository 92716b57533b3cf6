#pragma once

#include "SheetFacts.h"
#include "VbaModuleFacts.h"

#include <QList>
#include <QString>
#include <QStringList>

// What saving a book through the office would lose, named for the user in
// the order the question lists it. Each kind was measured against a book the
// office saved; the sheets the office copied from other books are compared
// with their originals instead (copiesDiffer).
class OfficeSaveLosses
{
public:
    OfficeSaveLosses(const QList<quirn::SheetFacts> &sheets, const QList<quirn::VbaModuleFacts> &modules)
        : m_sheets(sheets)
        , m_modules(modules)
    {
    }

    bool passwordLost = false;   // the book is encrypted
    bool veryHiddenLost = false; // very hidden sheets come back only hidden
    QStringList copiesDiffer;    // how copied sheets differ from their originals

    QStringList named() const;

private:
    QList<quirn::SheetFacts> m_sheets;
    QList<quirn::VbaModuleFacts> m_modules;
};
