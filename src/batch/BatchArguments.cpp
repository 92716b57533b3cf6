#include "BatchArguments.h"

bool BatchArguments::parse(const QStringList &arguments, const QSet<QString> &valued, QString &error)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !argument.startsWith(QLatin1String("--")) || argument.size() == 2) {
            if (verb.isEmpty() && operands.isEmpty() && !optionsEnded)
                verb = argument;
            else
                operands << argument;
            continue;
        }
        QString name = argument.mid(2);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            m_values.insert(name.left(equals), name.mid(equals + 1));
            continue;
        }
        if (!valued.contains(name)) {
            m_flags.insert(name);
            continue;
        }
        if (i + 1 >= arguments.size()) {
            error = QStringLiteral("--%1 には値が必要です。").arg(name);
            return false;
        }
        m_values.insert(name, arguments.at(++i));
    }
    if (verb.isEmpty() && !m_flags.contains(QStringLiteral("help"))) {
        error = QStringLiteral("動詞がありません。");
        return false;
    }
    return true;
}

QStringList BatchArguments::optionNames() const
{
    QStringList names(m_flags.cbegin(), m_flags.cend());
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        names << it.key();
    return names;
}
