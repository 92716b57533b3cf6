#include "BookCopyPasses.h"

#include "FindArrayIndex.h"
#include "cFile.h"

#include <QVariantList>

QList<QStringList> BookCopyPasses::Split(const QStringList &sources)
{
    QList<QStringList> passes;
    QStringList remaining = sources;
    while (!remaining.isEmpty()) {
        QVariantList names;
        for (const QString &source : remaining)
            names << cFile::GetFileName(source).toLower();
        QStringList pass;
        QStringList deferred;
        for (qsizetype i = 0; i < remaining.size(); ++i) {
            if (FindArrayIndex(names, names.at(i), static_cast<long>(i + 1)) >= 0)
                deferred << remaining.at(i);
            else
                pass << remaining.at(i);
        }
        passes << pass;
        remaining = deferred;
    }
    return passes;
}

QStringList BookCopyPasses::Order(const QStringList &sources)
{
    QStringList order;
    for (const QStringList &pass : Split(sources))
        order << pass;
    return order;
}
