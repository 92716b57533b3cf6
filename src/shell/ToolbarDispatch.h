#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class MenuRules;

// A toolbar click runs the command of the button's key. The commands are
// registered by key; a click on a key with no command does nothing.
class ToolbarDispatch
{
public:
    explicit ToolbarDispatch(MenuRules &rules);

    // The keys of the buttons that run a command, in the order they are tried.
    static const QStringList &Keys();

    void Register(const QString &key, std::function<void()> handler);
    bool Has(const QString &key) const;

    // The click on the button with that key (the hand-over check has passed).
    void Click(const QString &key);
    // Runs the commands of the key (exact, case-sensitive); false when there is none.
    bool Dispatch(const QString &key) const;

private:
    MenuRules &m_rules;
    QList<QList<std::function<void()>>> m_handlers;
};
