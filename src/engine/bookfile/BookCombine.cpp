#include "BookCombine.h"

#include "BookFile.h"
#include "BookFileMessages.h"

#include <QFileInfo>

#include <vector>

namespace quirn {

namespace {

QString skippedLine(const QString &path, const QString &sheet, const QString &why)
{
    const QString book = QFileInfo(path).fileName();
    return sheet.isEmpty() ? QStringLiteral("%1 (%2)").arg(book, why)
                           : QStringLiteral("%1: %2 (%3)").arg(book, sheet, why);
}

// A name for the new book's first, empty sheet that none of the sources'
// sheets has, so that no copy is renamed on its account.
QString placeholderName(const std::vector<BookFile> &books)
{
    for (int n = 1;; ++n) {
        const QString candidate = QStringLiteral("Sheet%1").arg(n);
        bool taken = false;
        for (const BookFile &b : books)
            taken = taken || b.indexOf(candidate) >= 0;
        if (!taken)
            return candidate;
    }
}

} // namespace

BookFileError BookCombine::run(const QString &targetPath, const QList<Source> &sources, Result *result,
                               const QString &targetPassword)
{
    *result = Result();
    result->bySource.resize(sources.size());
    std::vector<BookFile> books(sources.size());
    for (int i = 0; i < sources.size(); ++i) {
        if (const BookFileError e = books[i].open(sources[i].path, sources[i].password))
            result->skipped << skippedLine(sources[i].path, QString(), e.message);
    }

    BookFile target;
    const bool fresh = !QFileInfo::exists(targetPath);
    QString placeholder;
    if (fresh) {
        placeholder = placeholderName(books);
        if (const BookFileError e = target.createNew(targetPath, placeholder))
            return e;
    } else if (const BookFileError e = target.open(targetPath, targetPassword)) {
        return e;
    }

    for (int i = 0; i < sources.size(); ++i) {
        const BookFile &source = books[i];
        if (!source.isOpen())
            continue;
        QList<int> group;
        const QStringList wanted = sources[i].sheets;
        const int count = wanted.isEmpty() ? source.sheetCount() : int(wanted.size());
        for (int k = 0; k < count; ++k) {
            const int index = wanted.isEmpty() ? k : source.indexOf(wanted[k]);
            const QString name = wanted.isEmpty() ? source.sheet(k).name : wanted[k];
            if (index < 0) {
                result->skipped << skippedLine(source.path(), name, QStringLiteral("シートが見つかりません"));
                continue;
            }
            if (source.sheet(index).kind == SheetKind::MacroSheet) {
                result->skipped << skippedLine(source.path(), name, QStringLiteral("Excel 4.0 マクロ シート"));
                continue;
            }
            const QString why = target.importRefusal(source, index);
            if (!why.isEmpty()) {
                result->skipped << skippedLine(source.path(), name, why);
                result->bySource[i].refused << name;
                continue;
            }
            if (!group.contains(index))
                group << index;
        }
        if (group.isEmpty())
            continue;
        QStringList names;
        if (!target.importSheets(source, group, target.sheetCount(), &names)) {
            result->copied << names;
            result->bySource[i].copied << names;
            continue;
        }
        // The group as a whole could not come: each sheet on its own.
        for (int index : group) {
            const BookFileError e = target.importSheets(source, {index}, target.sheetCount(), &names);
            if (e) {
                result->skipped << skippedLine(source.path(), source.sheet(index).name, e.message);
                result->bySource[i].refused << source.sheet(index).name;
            } else {
                result->copied << names;
                result->bySource[i].copied << names;
            }
        }
    }

    if (result->copied.isEmpty() && (fresh || !target.isModified()))
        return BookFileMessages::unsupported(QStringLiteral("コピーできるシートがないため、ブックを結合"));
    if (fresh) {
        // The new book's empty sheet goes, unless it is the only one shown.
        target.deleteSheets({target.indexOf(placeholder)});
    }
    return target.save();
}

} // namespace quirn
