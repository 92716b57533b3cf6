#pragma once

#include <QStringList>

// quirn-batch's verbs: what each accepts, its help text, and the dispatch.
// Exit status: 0 success, 1 some book failed (the others done), 2 bad usage.
class BatchVerbs
{
public:
    enum ExitStatus { Success = 0, SomeFailed = 1, BadUsage = 2 };

    static int Run(const QStringList &arguments);
};
