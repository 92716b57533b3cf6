#include "ToolbarDispatch.h"

#include "MenuRules.h"

ToolbarDispatch::ToolbarDispatch(MenuRules &rules)
    : m_rules(rules)
    , m_handlers(Keys().size())
{
}

const QStringList &ToolbarDispatch::Keys()
{
    static const QStringList keys = {
        QStringLiteral("FileNew"),   QStringLiteral("FileSave"),    QStringLiteral("FileOpen"),
        QStringLiteral("Print"),     QStringLiteral("ReservPrint"), QStringLiteral("CopyBook"),
        QStringLiteral("Delete"),    QStringLiteral("AllBook"),     QStringLiteral("AllSheet"),
        QStringLiteral("Properties"), QStringLiteral("SheetInf"),   QStringLiteral("ExcelOpen"),
        QStringLiteral("ViewLarge"), QStringLiteral("ViewSmall"),   QStringLiteral("ViewList"),
        QStringLiteral("ViewDetails"), QStringLiteral("Find"),      QStringLiteral("SortAsc"),
        QStringLiteral("SortDsc"),
    };
    return keys;
}

void ToolbarDispatch::Register(const QString &key, std::function<void()> handler)
{
    const int index = Keys().indexOf(key);
    if (index >= 0)
        m_handlers[index].append(std::move(handler));
}

bool ToolbarDispatch::Has(const QString &key) const
{
    const int index = Keys().indexOf(key);
    return index >= 0 && !m_handlers.at(index).isEmpty();
}

void ToolbarDispatch::Click(const QString &key)
{
    m_rules.FinishPendingRename(true);
    Dispatch(key);
}

bool ToolbarDispatch::Dispatch(const QString &key) const
{
    for (int i = 0; i < Keys().size(); ++i) {
        if (Keys().at(i) != key)
            continue;
        // A copy: a command may register or the window may go away meanwhile.
        const QList<std::function<void()>> handlers = m_handlers.at(i);
        for (const auto &handler : handlers)
            handler();
        return !handlers.isEmpty();
    }
    return false;
}
