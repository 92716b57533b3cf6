#pragma once

#include <QString>

// The three panels of the window's status bar, numbered 1 to 3.
class StatusPanels
{
public:
    virtual void SetPanelText(int panel, const QString &text) = 0;
    virtual QString PanelText(int panel) const = 0;

protected:
    ~StatusPanels() = default;
};
