#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace quirn {

// What a module's source text declares and uses, read the way the VBA
// editor tokenises a line: string literals and comments (after ' or Rem)
// are no code, a line continued by " _" goes on with the next one, and names
// compare without regard to case.
class VbaSourceScan
{
public:
    // The procedures (Sub, Function, Property) the module declares that other
    // modules can call: all but Private ones.
    static QStringList publicProcedures(const QString &source);
    // Every procedure the module declares, Private ones included.
    static QStringList procedures(const QString &source);
    // Those of `offered` (lower-cased name -> name as declared) that the code
    // calls, in the order first met: by name alone where the module declares
    // none of that name, or after one of `modules` (lower-cased), the
    // modules offering them ("Module1.Run").
    static QStringList namesUsed(const QString &source, const QHash<QString, QString> &offered,
                                 const QSet<QString> &modules);

private:
    static QStringList declared(const QString &source, bool publicOnly);
    // The source's code: one entry per logical line, without strings and comments.
    static QStringList codeLines(const QString &source);
};

} // namespace quirn
