#pragma once

// BiffBook: an .xls book (Excel 97-2003) in its BIFF8 records, inside the
// compound file that holds them, encrypted or not.
//
// An edit changes exactly the records it concerns (and the offsets and sheet
// indexes that follow from them); writeTo() writes every other stream,
// storage and record unchanged and encrypts again with the same scheme and
// password.

#include "BookFormat.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace quirn {

class BiffCipher;
class CompoundFile;
class WorkbookStream;

class BiffBook : public BookFormat
{
public:
    // A book from the bytes of a compound file; `error` says why not.
    static std::unique_ptr<BiffBook> open(const QByteArray &bytes, const QString &password, BookFileError *error);
    // A new book of one empty sheet.
    static std::unique_ptr<BiffBook> createNew(const QString &sheetName);
    ~BiffBook() override;

    std::unique_ptr<BookFormat> clone() const override;
    QList<SheetFacts> sheetFacts() const override;
    bool structureProtected() const override;
    bool windowsProtected() const override;
    QString encryptionName() const override;
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
    void redirectMovedSheets(const QString &ownPath, const QList<int> &indexes, const QString &targetPath,
                             const QStringList &targetNames, const QList<int> &landed) override;
    bool writeTo(const QString &path, QString *reason) const override;

private:
    BiffBook();
    void readVbaProject();

    std::shared_ptr<const CompoundFile> m_container;
    QString m_streamName;
    std::unique_ptr<WorkbookStream> m_stream;
    std::shared_ptr<const BiffCipher> m_cipher;
    QList<VbaModuleFacts> m_vbaModules;
    BookFileError m_vbaError;
    bool m_hasVba = false;
};

} // namespace quirn
