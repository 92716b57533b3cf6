#include "ExcelApplication.h"

#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeProcess.h"

#include <QDir>
#include <QFileInfo>

ExcelApplication::ExcelApplication(std::shared_ptr<OfficeProcess> office)
    : m_office(std::move(office))
{
}

ExcelApplication::~ExcelApplication()
{
    Quit();
}

QString ExcelApplication::Name() const
{
    return m_quit ? QString() : QStringLiteral("Microsoft Excel");
}

QString ExcelApplication::Version()
{
    try {
        return office().version();
    } catch (const OfficeError &error) {
        throw ExcelError(ExcelError::CannotCreateObject, error.message());
    }
}

void ExcelApplication::Quit()
{
    CloseAll();
    m_snapshots.reset();
    m_quit = true;
}

void ExcelApplication::setVisible(bool visible)
{
    if (!visible || m_visible)
        return;
    ExcelWorkbook &book = ActiveWorkbook();
    for (ExcelWorkbook *other : m_books)
        if (other != &book && other->holdsUnsavedOfficeState())
            throw ExcelError::refused(QStringLiteral(
                "保存されていないブック \"%1\" があるため、ブックを開けません。").arg(other->Name()));
    // Nothing of ours may stay in the process the user is given.
    for (ExcelWorkbook *other : m_books)
        other->releaseOfficeCopy();
    book.showToUser();
    m_visible = true;
}

ExcelWorkbook &ExcelApplication::Open(const QString &path)
{
    if (m_quit)
        throw ExcelError::noApplication();
    const QFileInfo info(path);
    // One file, one book: a link to a book open already, or another spelling
    // of its path, is that book.
    const QString file = ExcelWorkbook::fileOf(path);
    for (ExcelWorkbook *book : m_books) {
        if (!book->Path().isEmpty() && ExcelWorkbook::fileOf(book->FullName()) == file) {
            m_active = book;
            return *book;
        }
    }
    for (ExcelWorkbook *book : m_books) {
        if (book->Name().compare(info.fileName(), Qt::CaseInsensitive) != 0)
            continue;
        throw ExcelError::refused(
            QStringLiteral("'%1' と同じ名前のブックが既に開いています。同じ名前のブックを同時に開くことはできません。")
                .arg(info.fileName()));
    }
    auto *book = new ExcelWorkbook(*this, path);
    m_books << book;
    m_active = book;
    return *book;
}

ExcelWorkbook &ExcelApplication::Add()
{
    if (m_quit)
        throw ExcelError::noApplication();
    std::unique_ptr<OfficeDocument> document;
    try {
        document = OfficeDocument::create(office(), std::max(1, SheetsInNewWorkbook));
    } catch (const OfficeError &error) {
        throw ExcelError::refused(error.message());
    }
    auto *book = new ExcelWorkbook(*this, std::move(document),
                                   QStringLiteral("Book%1").arg(++m_newBookCount));
    m_books << book;
    m_active = book;
    return *book;
}

QList<ExcelWorkbook *> ExcelApplication::Workbooks() const
{
    return m_books;
}

ExcelWorkbook &ExcelApplication::Workbook(const QString &name) const
{
    for (ExcelWorkbook *book : m_books)
        if (book->Name().compare(name, Qt::CaseInsensitive) == 0)
            return *book;
    throw ExcelError::noSuchWorkbook();
}

ExcelWorkbook &ExcelApplication::ActiveWorkbook() const
{
    if (!m_active)
        throw ExcelError::noActiveWorkbook();
    return *m_active;
}

void ExcelApplication::Activate(ExcelWorkbook &book)
{
    m_active = &book;
}

void ExcelApplication::Close(ExcelWorkbook &book)
{
    const qsizetype index = m_books.indexOf(&book);
    if (index < 0)
        return;
    m_books.removeAt(index);
    if (m_active == &book)
        m_active = m_books.isEmpty() ? nullptr : m_books.last();
    delete &book;
}

void ExcelApplication::CloseAll()
{
    m_active = nullptr;
    qDeleteAll(m_books);
    m_books.clear();
}

OfficeProcess &ExcelApplication::office()
{
    if (m_quit)
        throw ExcelError::noApplication();
    try {
        if (!m_office->isRunning())
            m_office->start();
    } catch (const OfficeError &error) {
        throw ExcelError(ExcelError::CannotCreateObject, error.message());
    }
    return *m_office;
}

bool ExcelApplication::officeAnswers()
{
    return m_office->isRunning() && m_office->isAlive();
}

QString ExcelApplication::snapshotPath(const QString &fileName)
{
    if (!m_snapshots)
        m_snapshots = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quirn-XXXXXX"));
    const QString folder = m_snapshots->filePath(QString::number(++m_snapshotCount));
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + fileName;
}
