#pragma once

// PackageBook: a book in today's format (.xlsx, .xlsm, .xltx, .xltm), a
// package of XML parts. Reading takes the parts the facts need; an edit
// changes a few parts, and writeTo() copies every other entry's bytes as
// they are.

#include "BookFormat.h"
#include "PackageEdits.h"
#include "WorkbookPart.h"

#include <QHash>

#include <functional>
#include <memory>

namespace quirn {

class PackageBook : public BookFormat
{
public:
    // A book from the bytes of a ZIP file; `error` says why not.
    static std::unique_ptr<PackageBook> open(const QByteArray &bytes, BookFileError *error);

    std::unique_ptr<BookFormat> clone() const override;
    QList<SheetFacts> sheetFacts() const override { return m_facts; }
    bool structureProtected() const override { return m_workbook.structureLocked; }
    bool windowsProtected() const override { return m_workbook.windowsLocked; }
    QString encryptionName() const override { return QString(); }
    bool hasVbaProject() const override { return m_hasVba; }
    QList<VbaModuleFacts> vbaModules() const override { return m_vbaModules; }
    BookFileError vbaProjectError() const override { return m_vbaError; }
    int mostSheets() const override;

    BookFileError renameSheet(int index, const QString &newName) override;
    BookFileError setVisibility(int index, SheetVisibility visibility) override;
    BookFileError reorderSheets(const QList<int> &order) override;
    BookFileError deleteSheets(const QList<int> &indexes) override;
    BookFileError duplicateSheet(int index, const QString &newName, int before) override;
    BookFileError setPrintNames(int index, const QString &area, const QString &titleRows,
                                const QString &titleColumns) override;
    BookFileError setPageSetup(int index, const PageSetupFacts &setup) override;
    QString importRefusal(const BookFormat &source, int index) const override;
    BookFileError importSheets(const Import &import) override;
    void redirectMovedSheets(const QString &, const QList<int> &, const QString &, const QStringList &,
                             const QList<int> &) override {}
    bool writeTo(const QString &path, QString *reason) const override;
    // The package with the edits made so far.
    const PackageEdits &package() const { return m_parts; }

private:
    explicit PackageBook(OpcPackage package);
    // The relationship ids of the sheets, in tab order.
    QStringList sheetRelationshipIds() const;
    QStringList sheetNames() const;
    // The app.xml titles following a change of the sheets (see DocumentTitles).
    bool editTitles(PackageEdits &parts, const QStringList &after, const QList<int> &origin) const;
    // Selects the first view of the sheet part, or unselects it.
    bool selectTab(PackageEdits &parts, const QString &sheetPart, bool selected) const;
    bool readSheets(QString *reason);
    void readPrintNames();
    void readVbaProject(const QString &part);
    int chartsOf(const QString &sheetPart, const QString &drawingId) const;
    // Why the sheet part cannot be copied; empty when it can.
    QString copyRefusal(const PackageEdits &parts, const QString &sheetPart) const;
    bool mayReferToSheets(const PackageEdits &parts, const QString &part) const;
    // `edit` applied to every part but the workbook that may refer to sheets
    // and, by `mayRefer`, does; false at the first failed edit.
    bool editReferringParts(PackageEdits &parts, const std::function<bool(const QByteArray &)> &mayRefer,
                            const std::function<bool(const QByteArray &, QByteArray *)> &edit) const;
    // The sheets' facts and parts, keeping only those at `origin`, in its order.
    void keepSheets(const QList<int> &origin);
    // `edit` applied to the part as it is in `parts`; false when the edit
    // fails or leaves no well-formed XML.
    static bool editPart(PackageEdits &parts, const QString &part,
                         const std::function<bool(const QByteArray &, QByteArray *)> &edit);
    // The workbook part as `parts` hold it, read again.
    std::optional<WorkbookPart> workbookIn(const PackageEdits &parts) const;

    PackageEdits m_parts;
    mutable ZipDeflateCache m_deflated; // the changed parts as the last write deflated them
    QString m_workbookPart;
    WorkbookPart m_workbook;
    QList<QString> m_sheetParts; // in tab order
    QList<SheetFacts> m_facts;
    QList<VbaModuleFacts> m_vbaModules;
    BookFileError m_vbaError;
    bool m_hasVba = false;
};

} // namespace quirn
