#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// One quirn-batch command line taken apart: the verb, its operands in order,
// and its options ("--name value" or "--name=value" for valued options, bare
// "--flag" otherwise; "-q", "-n", "-r", "-0" and "-h" stand for --quiet,
// --dry-run, --recursive, --null and --help, and may be joined: "-qn").
// "--" ends the options.
class BatchArguments
{
public:
    // `valued` names the options that take a value. Returns false with
    // `error` set for an option missing its value or an empty verb.
    bool parse(const QStringList &arguments, const QSet<QString> &valued, QString &error);

    QString verb;
    QStringList operands;

    bool flag(const QString &name) const { return m_flags.contains(name); }
    bool hasValue(const QString &name) const { return m_values.contains(name); }
    QString value(const QString &name) const { return m_values.value(name); }
    // Every option given, flags and valued ones, for checking against what a verb accepts.
    QStringList optionNames() const;

private:
    QSet<QString> m_flags;
    QHash<QString, QString> m_values;
};
