#include "BatchArguments.h"

namespace {

// The one-letter flags and the options they stand for; "-qn" is "-q -n".
QString longNameOf(QChar letter)
{
    switch (letter.unicode()) {
    case 'q': return QStringLiteral("quiet");
    case 'n': return QStringLiteral("dry-run");
    case 'r': return QStringLiteral("recursive");
    case '0': return QStringLiteral("null");
    case 'h': return QStringLiteral("help");
    default: return QString();
    }
}

// "-qn" and the like; anything else with one "-" ("-", "-2025") is an operand.
QStringList shortFlags(const QString &argument)
{
    if (argument.size() < 2 || argument.at(0) != QLatin1Char('-') || argument.at(1) == QLatin1Char('-'))
        return {};
    QStringList names;
    for (qsizetype i = 1; i < argument.size(); ++i) {
        const QString name = longNameOf(argument.at(i));
        if (name.isEmpty())
            return {};
        names << name;
    }
    return names;
}

} // namespace

bool BatchArguments::parse(const QStringList &arguments, const QSet<QString> &valued, QString &error)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const QStringList flags = optionsEnded ? QStringList() : shortFlags(argument);
        if (!flags.isEmpty()) {
            for (const QString &name : flags)
                m_flags.insert(name);
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
