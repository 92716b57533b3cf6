#pragma once

// BiffBook: an .xls book (Excel 97-2003) in its BIFF8 records, inside the
// compound file that holds them, encrypted or not.
//
// An edit changes exactly the records it concerns (and the offsets and sheet
// indexes that follow from them); writeTo() writes every other stream,
// storage and record unchanged and encrypts again with the same scheme and
// password.

#include "BookFormat.h"
#include "VbaProjectWriter.h"

#include <QByteArray>
#include <QHash>
#include <QSet>

#include <memory>
#include <optional>

namespace quirn {

class BiffCipher;
class CompoundFile;
class VbaProject;
class WorkbookStream;

class BiffBook : public BookFormat
{
public:
    // A book from a file's bytes and the compound file read from them (null
    // when they hold none); `error` says why not.
    static std::unique_ptr<BiffBook> open(const QByteArray &bytes, std::unique_ptr<CompoundFile> container,
                                          const QString &password, BookFileError *error);
    // A new book of one empty sheet.
    static std::unique_ptr<BiffBook> createNew(const QString &sheetName);
    ~BiffBook() override;

    std::unique_ptr<BookFormat> clone() const override;
    QList<SheetFacts> sheetFacts() const override;
    bool structureProtected() const override;
    bool windowsProtected() const override;
    QString encryptionName() const override;
    bool hasVbaProject() const override;
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
    void redirectMovedSheets(const QString &ownPath, const QList<int> &indexes, const QString &targetPath,
                             const QStringList &targetNames, const QList<int> &landed) override;
    bool sheetsReferredTo(const QList<int> &indexes) const override;
    bool writeTo(const QString &path, QString *reason) const override;

private:
    // A sheet's document module in the book's VBA project.
    struct SheetModule
    {
        QString codeName;       // empty when the sheet has none
        bool inProject = false; // the project has the module
        bool holdsCode = false;
        QString source;
        QString refusal;        // why the module cannot be read
    };
    // What a book without a VBA project gets when code comes into it: the
    // names of the book's and its sheets' modules (empty for a sheet without).
    struct NewProject
    {
        bool wanted = false;
        QString workbook;
        QStringList sheets;
    };

    BiffBook();
    void readVbaProject();
    // The Ctls stream (ActiveX controls' data) as it stands; empty when none.
    QByteArray controlsStream() const;
    SheetModule sheetModule(int index) const;
    // Why the sheet's document module keeps it from coming into this book; empty when it may.
    QString moduleRefusal(const BiffBook &source, int index) const;
    // The modules the copies of `source`'s sheets at `indexes` get here, added
    // to `edit`; `codeNames` gets each copy's module name (none into a book
    // without a project), `made` what a project made here needs.
    BookFileError carryModules(const BiffBook &source, const QList<int> &indexes,
                               std::optional<VbaProjectWriter> *edit, QStringList *codeNames,
                               NewProject *made) const;
    // The copies (named `names` here, their modules `codeNames`) whose code
    // calls procedures of `source`'s standard modules that this book's lack.
    QList<VbaProcedureUse> sourceProcedureUses(const BiffBook &source, const QList<int> &indexes,
                                               const QStringList &names, const QStringList &codeNames) const;
    // The public procedures of the project's standard modules (lower-cased
    // name -> name), and the modules' names lower-cased.
    void standardProcedures(QHash<QString, QString> *procedures, QSet<QString> *modules) const;

    std::shared_ptr<const CompoundFile> m_container;
    QString m_streamName;
    std::unique_ptr<WorkbookStream> m_stream;
    std::shared_ptr<const BiffCipher> m_cipher;
    std::shared_ptr<const VbaProject> m_vba;
    std::optional<VbaProjectWriter> m_vbaEdit; // modules added since the book was read
    std::optional<QByteArray> m_controls;       // the Ctls stream, when controls came in
    QList<VbaModuleFacts> m_vbaModules;
    BookFileError m_vbaError;
    bool m_hasVba = false;
};

} // namespace quirn
