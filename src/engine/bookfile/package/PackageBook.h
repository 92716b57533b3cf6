#pragma once

// PackageBook: a book in today's format (.xlsx, .xlsm, .xltx, .xltm), a
// package of XML parts. Reading takes the parts the facts need; an edit
// changes a few parts, and writeTo() copies every other entry's bytes as
// they are.

#include "BookFormat.h"
#include "OpcPackage.h"
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

private:
    explicit PackageBook(OpcPackage package);
    bool readSheets(QString *reason);
    void readPrintNames();
    void readVbaProject(const QString &part);
    int chartsOf(const QString &sheetPart, const QString &drawingId) const;
    // The part's bytes as edited so far.
    bool currentPart(const QString &name, QByteArray *out, QString *reason) const;
    bool mayReferToSheets(const QString &part) const;
    // The name of the entry holding `part`, spelt as the archive spells it.
    QString entryName(const QString &part) const;
    // `edit` applied to the part as it is now, into `changes`; false when
    // the edit fails or leaves no well-formed XML.
    bool editPart(const QString &part, const std::function<bool(const QByteArray &, QByteArray *)> &edit,
                  QHash<QString, QByteArray> *changes) const;

    OpcPackage m_package;
    QString m_workbookPart;
    WorkbookPart m_workbook;
    QList<QString> m_sheetParts; // in tab order
    QList<SheetFacts> m_facts;
    QHash<QString, QByteArray> m_changed; // part name -> its new bytes
    QList<VbaModuleFacts> m_vbaModules;
    BookFileError m_vbaError;
    bool m_hasVba = false;
};

} // namespace quirn
