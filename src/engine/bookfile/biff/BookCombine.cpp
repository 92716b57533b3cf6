#include "BookCombine.h"

#include "BookFile.h"
#include "BookFileMessages.h"

#include "OldBookSheets.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace quirn {

namespace {

// Far beyond any book Excel 5.0/95 wrote; only its sheet list is read.
constexpr qint64 kLargestOldBook = qint64(1) << 30;

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

// What one source gives, sheet by sheet in its order: a copy through the
// records, or a sheet left for the office.
struct Given
{
    int index = 0;     // in the source
    QString name;      // in the source
    bool left = false; // for the office
    bool arrived = false;
    QString copy;      // its name in the target, once arrived
    QString why;       // why it is left for the office
};

// What a book Excel 5.0/95 wrote gives: each sheet left for the office,
// which reads such books; macro sheets skipped as from any book, and its
// VBA module sheets, which are no sheets to the office, not copied.
void giveOldBook(const QString &path, const QList<OldBookSheets::Sheet> &sheets, const QStringList &wanted,
                 QList<Given> *given, BookCombine::Result *result)
{
    const QString why = QStringLiteral("Excel 5.0/95 形式のブックのシート");
    for (qsizetype k = 0; k < (wanted.isEmpty() ? sheets.size() : wanted.size()); ++k) {
        int index = wanted.isEmpty() ? int(k) : -1;
        for (int s = 0; index < 0 && s < sheets.size(); ++s)
            if (sheets[s].name.compare(wanted[k], Qt::CaseInsensitive) == 0)
                index = s;
        const QString name = index >= 0 ? sheets[index].name : wanted[k];
        QString refused;
        if (index < 0)
            refused = QStringLiteral("シートが見つかりません");
        else if (sheets[index].type == OldBookSheets::Type::VbaModule)
            refused = QStringLiteral("Excel 5.0/95 の VBA モジュール シート");
        if (!refused.isEmpty()) {
            result->skipped << skippedLine(path, name, refused);
            result->failed << result->skipped.last();
        } else if (sheets[index].type == OldBookSheets::Type::MacroSheet) {
            result->skipped << skippedLine(path, name, QStringLiteral("Excel 4.0 マクロ シート"));
        } else if (std::none_of(given->cbegin(), given->cend(), [&](const Given &g) { return g.index == index; })) {
            result->skipped << skippedLine(path, name, why);
            given->append({index, name, true, false, QString(), why});
        }
    }
}

// A name for a copy of `name` that none of `taken` has, as Excel names
// copies: "Data (2)" from "Data" and from "Data (1)" alike, cut to fit 31
// characters.
QString freeName(const QString &name, const QStringList &taken)
{
    const auto isTaken = [&taken](const QString &candidate) {
        return std::any_of(taken.cbegin(), taken.cend(), [&](const QString &other) {
            return other.compare(candidate, Qt::CaseInsensitive) == 0;
        });
    };
    return isTaken(name) ? BookFile::numberedCopyName(name, isTaken) : name;
}

// The copies were named against the sheets there at the time, without the
// sheets the office brings later in between: name them again in the final
// order, so that each takes the name Excel would give it, and the office's
// copies then get theirs.
void nameInFinalOrder(BookFile &target, const QStringList &before, const QList<QList<Given>> &given,
                      BookCombine::Result *result)
{
    QStringList taken = before;
    QList<std::pair<QString, QString>> renames;
    QList<int> renamedSource;
    for (int i = 0; i < given.size(); ++i) {
        for (const Given &sheet : given[i]) {
            if (!sheet.left && !sheet.arrived)
                continue;
            const QString wanted = freeName(BookFile::cutSheetName(sheet.name), taken);
            taken << wanted;
            if (sheet.arrived && sheet.copy != wanted) {
                renames.append({sheet.copy, wanted});
                renamedSource << i;
            }
        }
    }
    for (int r = 0; r < renames.size(); ++r)
        for (VbaProcedureUse &use : result->bySource[renamedSource[r]].procedureUses)
            if (use.sheet == renames[r].first)
                use.sheet = QStringLiteral("\n%1").arg(r);
    for (int r = 0; r < renames.size(); ++r)
        for (VbaProcedureUse &use : result->bySource[renamedSource[r]].procedureUses)
            if (use.sheet == QStringLiteral("\n%1").arg(r))
                use.sheet = renames[r].second;
    // Through names of their own first, so that no two sheets meet on one name.
    for (int r = 0; r < renames.size(); ++r)
        target.renameSheet(target.indexOf(renames[r].first), QStringLiteral("~combine %1").arg(r));
    for (int r = 0; r < renames.size(); ++r) {
        target.renameSheet(target.indexOf(QStringLiteral("~combine %1").arg(r)), renames[r].second);
        result->copied.replace(result->copied.indexOf(renames[r].first), renames[r].second);
        QStringList &copies = result->bySource[renamedSource[r]].copied;
        copies.replace(copies.indexOf(renames[r].first), renames[r].second);
    }
}

// Each source's sheets take their places in order: a copy, or one left for the office.
void placeLeft(int source, int position, const QList<Given> &given, BookCombine::Result *result)
{
    int place = position;
    for (const Given &sheet : given) {
        if (sheet.left) {
            result->left.append({source, sheet.name, place});
            result->bySource[source].refused << sheet.name;
            result->bySource[source].refusedWhy << sheet.why;
        } else if (sheet.arrived) {
            result->copied << sheet.copy;
            result->bySource[source].copied << sheet.copy;
            ++place;
        }
    }
}

} // namespace

BookFileError BookCombine::run(const QString &targetPath, const QList<Source> &sources, Result *result,
                               const QString &targetPassword, const QString &divertPath)
{
    *result = Result();
    result->bySource.resize(sources.size());
    const auto fail = [result](const QString &line) {
        result->skipped << line;
        result->failed << line;
    };
    std::vector<BookFile> books(sources.size());
    QList<QList<OldBookSheets::Sheet>> oldBooks(sources.size());
    for (int i = 0; i < sources.size(); ++i) {
        if (const BookFileError e = books[i].open(sources[i].path, sources[i].password)) {
            if (e.code == BookFileError::Code::OldFormat) {
                QFile file(sources[i].path);
                if (file.open(QIODevice::ReadOnly))
                    oldBooks[i] = OldBookSheets::read(file.read(kLargestOldBook));
                if (!oldBooks[i].isEmpty())
                    continue;
            }
            result->skipped << skippedLine(sources[i].path, QString(), e.message);
            result->unreadable << i;
        }
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
    QStringList before;
    if (!fresh)
        for (const SheetFacts &facts : target.sheets())
            before << facts.name;

    QList<QList<Given>> given(sources.size());
    for (int i = 0; i < sources.size(); ++i) {
        const BookFile &source = books[i];
        if (!oldBooks[i].isEmpty())
            giveOldBook(sources[i].path, oldBooks[i], sources[i].sheets, &given[i], result);
        if (!source.isOpen()) {
            placeLeft(i, target.sheetCount() - (fresh ? 1 : 0), given[i], result);
            continue;
        }
        const QStringList wanted = sources[i].sheets;
        const int count = wanted.isEmpty() ? source.sheetCount() : int(wanted.size());
        QList<int> group;
        for (int k = 0; k < count; ++k) {
            const int index = wanted.isEmpty() ? k : source.indexOf(wanted[k]);
            const QString name = wanted.isEmpty() ? source.sheet(k).name : wanted[k];
            if (index < 0) {
                fail(skippedLine(source.path(), name, QStringLiteral("シートが見つかりません")));
                continue;
            }
            if (source.sheet(index).kind == SheetKind::MacroSheet) {
                result->skipped << skippedLine(source.path(), name, QStringLiteral("Excel 4.0 マクロ シート"));
                continue;
            }
            if (source.structureProtected()) {
                fail(skippedLine(source.path(), name,
                                 QStringLiteral("ブックの構成が保護されているため、シートをコピーできません")));
                continue;
            }
            if (group.contains(index))
                continue;
            const QString why = target.importRefusal(source, index);
            if (!why.isEmpty()) {
                result->skipped << skippedLine(source.path(), name, why);
                given[i].append({index, name, true, false, QString(), why});
                continue;
            }
            group << index;
            given[i].append({index, name, false, false, QString(), QString()});
        }
        // The new book's empty sheet comes first and goes at the end.
        const int position = target.sheetCount() - (fresh ? 1 : 0);
        QStringList names;
        const auto noteNamesKept = [&] {
            for (const auto &conflict : target.lastNameConflicts())
                if (!result->namesKept.contains(conflict.first))
                    result->namesKept << conflict.first;
            result->bySource[i].procedureUses += target.lastProcedureUses();
        };
        if (!group.isEmpty() && !target.importSheets(source, group, target.sheetCount(), &names)) {
            noteNamesKept();
            qsizetype n = 0;
            for (Given &sheet : given[i])
                if (!sheet.left) {
                    sheet.arrived = true;
                    sheet.copy = names.value(n++);
                }
        } else {
            // The group as a whole could not come: each sheet on its own, the
            // office bringing those the records cannot carry alone either.
            for (Given &sheet : given[i]) {
                if (sheet.left)
                    continue;
                const BookFileError e = target.importSheets(source, {sheet.index}, target.sheetCount(), &names);
                const QString line = skippedLine(source.path(), sheet.name, e.message);
                if (!e) {
                    noteNamesKept();
                    sheet.arrived = true;
                    sheet.copy = names.value(0);
                } else if (e.code == BookFileError::Code::Unsupported) {
                    sheet.left = true;
                    sheet.why = e.message;
                    result->skipped << line;
                } else {
                    fail(line);
                }
            }
        }
        placeLeft(i, position, given[i], result);
    }

    if (result->copied.isEmpty() && (fresh || !target.isModified())) {
        result->nothingToCopy = true;
        return BookFileMessages::unsupported(QStringLiteral("コピーできるシートがないため、ブックを結合"));
    }
    // Sheets left for the office are brought by the caller when it diverts the save.
    const bool diverted = !result->left.isEmpty() && !divertPath.isEmpty();
    if (diverted)
        nameInFinalOrder(target, before, given, result);
    if (fresh && target.deleteSheets({target.indexOf(placeholder)})) {
        // The empty sheet stays when it is the only one shown: it comes first.
        for (Left &sheet : result->left)
            ++sheet.position;
    }
    if (diverted)
        return target.saveAs(divertPath);
    return target.save();
}

} // namespace quirn
