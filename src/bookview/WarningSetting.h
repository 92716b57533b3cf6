#pragma once

#include <QString>

// The rules of a warning switch ("Warninng1" .. "Warninng3"): two characters,
// the first for the first selection of a book, the second for every selection.
class WarningSetting
{
public:
    enum Mode { FirstSelection = 0, EverySelection = 1 };

    // The stored switch of a key (section "Settings", default "11").
    static QString Read(const QString &key);
    static void Write(const QString &key, const QString &value);
    // Whether the warning is due for a book opened for the first time or not.
    static bool Due(const QString &setting, bool firstSelection);
    // The mode in which a due warning is shown.
    static Mode ModeOf(const QString &setting, bool firstSelection);
    // The switch after the don't-show-again box was ticked in that mode.
    static QString Ticked(const QString &setting, Mode mode);
    // The caption of the don't-show-again box.
    static QString CheckCaption(Mode mode);
    // Shows a due warning through `show` and applies the don't-show-again rule.
    template <typename Show>
    static void Apply(const QString &key, bool firstSelection, Show &&show)
    {
        const QString setting = Read(key);
        if (!Due(setting, firstSelection))
            return;
        const Mode mode = ModeOf(setting, firstSelection);
        if (show(mode))
            Write(key, Ticked(setting, mode));
    }
};
