#pragma once

#include <QStringList>

// quirn-batch's verbs: what each accepts, its help text, and the dispatch.
// Exit status: see BatchReport.
class BatchVerbs
{
public:
    static int Run(const QStringList &arguments);
};
