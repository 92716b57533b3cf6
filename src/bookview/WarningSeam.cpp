#include "WarningSeam.h"

namespace {

bool g_testMode = false;
QList<bool> g_choices;
QList<WarningSeam::Shown> g_shown;

} // namespace

void WarningSeam::SetTestMode(bool on)
{
    g_testMode = on;
    g_choices.clear();
    g_shown.clear();
}

bool WarningSeam::TestMode()
{
    return g_testMode;
}

void WarningSeam::QueueChoice(bool ticked)
{
    g_choices.append(ticked);
}

QList<WarningSeam::Shown> WarningSeam::TakeShown()
{
    return std::exchange(g_shown, {});
}

bool WarningSeam::Record(const Shown &shown)
{
    g_shown.append(shown);
    return g_choices.isEmpty() ? false : g_choices.takeFirst();
}
