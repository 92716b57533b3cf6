#include "cExcel.h"

#include "BookCombine.h"
#include "BookSaveDialog.h"
#include "BookTransfer.h"
#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "MessageBox.h"
#include "OfficeInstallation.h"
#include "OfficeProcess.h"
#include "PageSetupProperties.h"
#include "SheetPrintJob.h"
#include "frmPageSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr qint32 VisibleBit = 1;
constexpr qint32 MacroSheetWord = 2;
constexpr qint32 ChartBit = 4;
constexpr qint32 ProtectedBit = 16;
constexpr unsigned CriticalOk = 0x10;
constexpr unsigned ExclamationOk = 0x30;

void shutDown(OfficeProcess &office)
{
    try {
        office.shutdown();
    } catch (...) {
        office.kill();
    }
}

} // namespace

cExcel::cExcel()
    : m_office(std::make_shared<OfficeProcess>())
{
}

cExcel::~cExcel()
{
    xlApp.reset();
    shutDown(*m_office);
}

QString cExcel::InstalledVersion()
{
    return OfficeInstallation::version();
}

void cExcel::WarmUpEngine()
{
    m_office->startInBackground();
}

ExcelApplication &cExcel::application() const
{
    if (!xlApp || xlApp->hasQuit())
        throw ExcelError::noApplication();
    return *xlApp;
}

void cExcel::newApplication()
{
    xlApp = std::make_shared<ExcelApplication>(m_office);
}

// ---- starting, restarting and opening --------------------------------------

QString cExcel::ExcelVer()
{
    try {
        newApplication();
        const QString version = xlApp->Version();
        xlAppName = xlApp->Name();
        xlApp->Quit();
        return version;
    } catch (const std::exception &) {
        return QString();
    }
}

void cExcel::CreateExcel()
{
    if (!xlApp)
        newApplication();
}

void cExcel::OpenExcel(const QVariant &BookName)
{
    newApplication();
    if (BookName.typeId() == QMetaType::QStringList) {
        const QStringList paths = BookName.toStringList();
        xlApp->SheetsInNewWorkbook = std::max<qsizetype>(1, paths.size());
        for (const QString &path : paths) {
            try {
                xlApp->Open(path);
            } catch (const ExcelError &) {
                // a book that fails to open is skipped; the others still open
            }
        }
        return;
    }
    xlApp->SheetsInNewWorkbook = 1;
    m_lastOpenError.clear();
    try {
        xlApp->Open(BookName.toString());
    } catch (const ExcelError &error) {
        m_lastOpenError = error.description();
    }
    xlAppName = xlApp->Name();
}

bool cExcel::ExcelStatus() const
{
    return xlApp != nullptr;
}

void cExcel::ReOpenExcel(const QString &BookName)
{
    if (xlApp && !xlAppName.isEmpty() && xlApp->Name() == xlAppName)
        return;
    newApplication();
    xlApp->SheetsInNewWorkbook = 1;
    xlApp->Open(BookName);
    xlAppName = xlApp->Name();
}

void cExcel::OpenBook(const QString &BookName)
{
    if (!xlApp || xlApp->hasQuit()) {
        newApplication();
        xlApp->SheetsInNewWorkbook = 1;
    } else {
        xlApp->SheetsInNewWorkbook += 1;
    }
    xlApp->Open(BookName);
    xlAppName = xlApp->Name();
}

QVariant cExcel::AddNewBook(qint16 Sheets)
{
    ExcelApplication &app = application();
    app.SheetsInNewWorkbook = Sheets;
    return app.Add().Name();
}

// ---- closing and saving -------------------------------------------------------

qint32 cExcel::CloseExcel(const QVariant &Book)
{
    qint32 saved = 0;
    if (xlApp && !xlApp->hasQuit()) {
        xlApp->DisplayAlerts = false;
        if (Book.isValid() && !Book.toString().isEmpty())
            saved = SaveExcel(Book.toString());
        if (saved != 0)
            return saved; // the books stay open with the changes that were not saved
        xlApp->CloseAll();
        xlApp->Quit();
    }
    xlApp.reset();
    return saved;
}

void cExcel::CloseBook(const QString &Book, const QVariant &Save)
{
    ExcelApplication &app = application();
    app.DisplayAlerts = false;
    if (Save.isValid())
        SaveBook(Book);
    app.Close(app.ActiveWorkbook());
}

void cExcel::BookActive(const QString &BookName)
{
    ExcelApplication &app = application();
    app.Activate(app.Workbook(BookName));
}

qint32 cExcel::SaveExcel(const QString &)
{
    m_lastSaveError.clear();
    if (!xlApp || xlApp->hasQuit())
        return 0;
    xlApp->DisplayAlerts = false;
    // Books that took sheets moved from another book are written before it,
    // and the first failure stops the save: a book never reaches the disk
    // without sheets it gave away while the book that took them did not.
    QList<ExcelWorkbook *> books = xlApp->Workbooks();
    std::stable_partition(books.begin(), books.end(),
                          [](const ExcelWorkbook *book) { return book->savesBeforeItsSources(); });
    ExcelWorkbook *active = xlApp->hasActiveWorkbook() ? &xlApp->ActiveWorkbook() : nullptr;
    for (qsizetype i = 0; i < books.size(); ++i) {
        ExcelWorkbook *book = books.at(i);
        if (book->Saved())
            continue; // nothing to write: the file on disk is the book
        xlApp->Activate(*book);
        // A book never saved has no file to write: it is refused, not written
        // under its caption into the working folder.
        const qint32 saved = saveActive(book->Path().isEmpty() ? QString() : book->FullName());
        if (saved != 0) {
            QStringList unsaved;
            for (qsizetype j = i; j < books.size(); ++j)
                if (!books.at(j)->Saved())
                    unsaved << books.at(j)->FullName();
            m_lastSaveError += QStringLiteral("\n保存されていないﾌﾞｯｸ: ") + unsaved.join(QStringLiteral("、"));
            if (active)
                xlApp->Activate(*active);
            return saved;
        }
    }
    if (active)
        xlApp->Activate(*active);
    return 0;
}

qint32 cExcel::SaveBook(const QString &Book)
{
    m_lastSaveError.clear();
    if (!xlApp || xlApp->hasQuit())
        return ExcelError::ObjectNotSet;
    xlApp->DisplayAlerts = false;
    return saveActive(Book);
}

qint32 cExcel::saveActive(const QString &path)
{
    try {
        if (path.isEmpty())
            xlApp->ActiveWorkbook().save();
        else
            xlApp->ActiveWorkbook().saveAs(path);
        return 0;
    } catch (const ExcelError &error) {
        if (m_lastSaveError.isEmpty())
            m_lastSaveError = error.description();
        return error.number();
    }
}

// ---- sheets ------------------------------------------------------------------

void cExcel::GetLastRowColOFSheet(const QString &SheetName, qint32 &LastRow, qint32 &LastCol)
{
    LastRow = 0;
    LastCol = 0;
    try {
        const auto [row, column] = application().ActiveWorkbook().lastCell(SheetName);
        LastRow = row;
        LastCol = column;
    } catch (const std::exception &) {
    }
}

QString cExcel::RenameSheet(const QString &SelectSheet, const QString &NewName)
{
    try {
        application().ActiveWorkbook().renameSheet(SelectSheet, NewName);
        return QString();
    } catch (const ExcelError &error) {
        return error.description();
    }
}

qint32 cExcel::GetPageOFSheet(const QString &SheetName, QVariant *Row, QVariant *Col)
{
    try {
        ExcelWorkbook &book = application().ActiveWorkbook();
        const auto [row, column] = book.lastCell(SheetName);
        if (Row)
            *Row = qint32(row);
        if (Col)
            *Col = qint32(column);
        // The office renders the sheet as it prints: print areas, titles,
        // fit-to-page and charts beyond the data all count. A hidden sheet is
        // counted as it would print when shown.
        return book.pageCount(SheetName);
    } catch (const std::exception &) {
        MessageBox::Show(QStringLiteral("選択されているﾌﾞｯｸには、ｼｰﾄ ") + SheetName
                             + QStringLiteral(" は存在しません。")
                             + QStringLiteral(" ｼｰﾄ名称を変更した場合には、１度保存して下さい。"),
                         CriticalOk);
        return 0;
    }
}

void cExcel::ActiveBookMaximized()
{
    application().ActiveWorkbook(); // a window state only: nothing to show
}

void cExcel::ActiveBookMinimized()
{
    application().ActiveWorkbook();
}

qint16 cExcel::GetSheetCount()
{
    try {
        return qint16(application().ActiveWorkbook().sheetCount());
    } catch (const std::exception &) {
        return -1;
    }
}

QString cExcel::GetSheetName(qint16 No)
{
    try {
        return application().ActiveWorkbook().sheetName(No);
    } catch (const std::exception &) {
        return QString();
    }
}

qint16 cExcel::GetSheetNo(const QString &SheetName)
{
    try {
        const QStringList names = application().ActiveWorkbook().sheetNames();
        return qint16(names.lastIndexOf(SheetName) + 1);
    } catch (const std::exception &) {
        return 0;
    }
}

qint16 cExcel::GetActiveWorkBookProtect()
{
    try {
        const ExcelWorkbook &book = application().ActiveWorkbook();
        return (book.ProtectStructure() || book.ProtectWindows()) ? 1 : 0;
    } catch (const std::exception &) {
        return -1;
    }
}

namespace {

// The attribute word of a sheet: bits 1 visible, 4 chart (a chart sheet or
// embedded charts), 16 contents protected; exactly 2 for an Excel 4 macro sheet.
qint32 attributeWord(const ExcelWorkbook::SheetState &state)
{
    qint32 word = 0;
    switch (state.kind) {
    case quirn::SheetKind::Chart:
        word = ChartBit + (state.visible ? VisibleBit : 0);
        break;
    case quirn::SheetKind::Worksheet:
        word = state.visible ? VisibleBit : 0;
        if (state.embeddedCharts > 0)
            word += ChartBit;
        break;
    case quirn::SheetKind::MacroSheet:
        return MacroSheetWord;
    default:
        break;
    }
    if (state.contentsProtected)
        word += ProtectedBit;
    return word;
}

} // namespace

qint32 cExcel::GetSheetAttribute(const QString &BookName, const QString &SheetName)
{
    BookActive(BookName);
    ExcelWorkbook &book = application().ActiveWorkbook();
    ExcelWorkbook::SheetState state;
    try {
        state = book.sheetState(SheetName);
    } catch (const ExcelError &) {
        // Every read of a missing sheet fails; only the protection step adds
        // its bit, as it does for a read that fails.
        return ProtectedBit;
    }
    return attributeWord(state);
}

qint32 cExcel::GetSheetAttributeAt(const QString &BookName, qint16 No)
{
    BookActive(BookName);
    ExcelWorkbook &book = application().ActiveWorkbook();
    ExcelWorkbook::SheetState state;
    try {
        state = book.sheetStateAt(No);
    } catch (const ExcelError &) {
        return ProtectedBit;
    }
    return attributeWord(state);
}


void cExcel::SetSheetAttribute(const QString &BookName, const QString &SheetName, qint32 Attri)
{
    BookActive(BookName);
    application().ActiveWorkbook().setSheetVisible(SheetName, (Attri & VisibleBit) != 0);
}

void cExcel::HideSheet(const QString &BookName, const QString &SheetName)
{
    BookActive(BookName);
    application().ActiveWorkbook().hideSheet(SheetName);
}

void cExcel::SetSheetVeryHidden(const QString &SheetName)
{
    application().ActiveWorkbook().setSheetVeryHidden(SheetName);
}

// ---- page setup, printing and the engine's own dialogs ------------------------

void cExcel::PageSetUp(const QString &SheetName)
{
    SetActiveSheetPropaty(SheetName);
}

// Every listed sheet exists and is shown: a group of sheets is selected to
// print it, and a hidden sheet cannot be selected.
void cExcel::checkPrintable(ExcelWorkbook &book, const QStringList &sheets) const
{
    if (sheets.isEmpty())
        throw ExcelError::noSuchSheet();
    for (const QString &name : sheets) {
        if (!book.sheetState(name).visible)
            throw ExcelError::refused(QStringLiteral("Sheets クラスの Select メソッドが失敗しました。"));
    }
}

void cExcel::checkExisting(ExcelWorkbook &book, const QStringList &sheets) const
{
    if (sheets.isEmpty())
        throw ExcelError::noSuchSheet();
    for (const QString &name : sheets) {
        if (book.sheetPosition(name) == 0)
            throw ExcelError::noSuchSheet();
    }
}

// The job's options from the caller's values and the sheets' own settings;
// false when the page range is empty.
bool cExcel::printOptions(ExcelWorkbook &book, const QStringList &sheets, const QVariant &copies,
                          const QVariant &fromPage, const QVariant &toPage, SheetPrintJob::Options &options) const
{
    const auto given = [](const QVariant &value) {
        return value.isValid() && !value.isNull() && !value.toString().isEmpty();
    };
    const auto whole = [](const QVariant &value, const QString &what) {
        bool ok = false;
        const int number = value.toInt(&ok);
        if (!ok || number < 1)
            throw ExcelError::refused(QStringLiteral("PrintOut メソッドが失敗しました。%1が正しくありません。").arg(what));
        return number;
    };
    options = SheetPrintJob::Options{given(copies) ? whole(copies, QStringLiteral("印刷部数")) : 1,
                                     given(fromPage) ? whole(fromPage, QStringLiteral("開始ページ")) : 0,
                                     given(toPage) ? whole(toPage, QStringLiteral("終了ページ")) : 0, true, true};
    if (options.fromPage > 0 && options.toPage > 0 && options.fromPage > options.toPage)
        return false; // an empty range prints nothing
    for (const QString &name : sheets) {
        try {
            const quirn::PageSetupFacts setup = book.pageSetup(name);
            options.blackAndWhite &= setup.blackAndWhite;
            options.draft &= setup.draft;
        } catch (const ExcelError &) {
            // a book held by the office: its own print settings only
            options.blackAndWhite = options.draft = false;
        }
    }
    return true;
}

void cExcel::printSheets(ExcelWorkbook &book, const QStringList &sheets, const QVariant &copies,
                         const QVariant &fromPage, const QVariant &toPage)
{
    SheetPrintJob::Options options;
    if (printOptions(book, sheets, copies, fromPage, toPage, options))
        SheetPrintJob::print(book.currentDocument(), sheets, book.Name(), options);
}

void cExcel::PrintExcelSheet(const QStringList &SheetName, const QVariant &SheetCopies,
                             const QVariant &FromPage, const QVariant &ToPage)
{
    ExcelWorkbook &book = application().ActiveWorkbook();
    checkPrintable(book, SheetName);
    printSheets(book, SheetName, SheetCopies, FromPage, ToPage);
}

qint32 cExcel::ExportExcelSheet(const QStringList &SheetName, const QString &PdfPath,
                                const QVariant &FromPage, const QVariant &ToPage, const QVariant &SheetCopies,
                                SheetPrintJob::Options *Job)
{
    ExcelWorkbook &book = application().ActiveWorkbook();
    checkExisting(book, SheetName);
    SheetPrintJob::Options options;
    if (!printOptions(book, SheetName, SheetCopies, FromPage, ToPage, options))
        return 0;
    if (Job)
        *Job = options;
    return SheetPrintJob::exportPages(book.currentDocument(), SheetName, PdfPath, options.fromPage,
                                      options.toPage);
}

qint32 cExcel::RenderJobOf(const QStringList &SheetName, const QString &PdfPath, const QVariant &FromPage,
                           const QVariant &ToPage, const QVariant &SheetCopies, RenderPool::Job &Job,
                           SheetPrintJob::Options &Options)
{
    ExcelWorkbook &book = application().ActiveWorkbook();
    checkExisting(book, SheetName);
    if (book.fileAsItStands().isEmpty())
        return -1;
    if (!printOptions(book, SheetName, SheetCopies, FromPage, ToPage, Options))
        return 0;
    Job = RenderPool::Job{book.fileAsItStands(), book.password(), SheetName, PdfPath, Options.fromPage,
                          Options.toPage};
    return 1;
}

void cExcel::PreviewExcelSheet(const QStringList &SheetName)
{
    ExcelWorkbook &book = application().ActiveWorkbook();
    checkPrintable(book, SheetName);
    SheetPrintJob::preview(book.currentDocument(), SheetName, QFileInfo(book.Name()).completeBaseName());
}

qint32 cExcel::DspExcelSaveAsDialog(const QString &BookPath, const QString &)
{
    ExcelWorkbook &book = application().ActiveWorkbook();
    const QString path = BookSaveDialog::Show(QStringLiteral("名前を付けて保存"), BookPath);
    if (!path.isEmpty())
        book.saveAs(path);
    return 0;
}

QString cExcel::DspExcelNewBookDialog(const QString &BookName)
{
    ExcelApplication &app = application();
    QString folder = QDir::homePath();
    if (!BookName.isEmpty() && app.hasActiveWorkbook() && !app.ActiveWorkbook().Path().isEmpty())
        folder = app.ActiveWorkbook().Path();
    const QString path = BookSaveDialog::Show(QStringLiteral("新規作成"),
                                              QDir(folder).filePath(QStringLiteral("Book1.xls")));
    if (path.isEmpty())
        return QString();
    ExcelWorkbook &book = app.Add();
    try {
        book.saveAs(path);
    } catch (const ExcelError &) {
        app.Close(book); // no half-made book stays behind
        throw;
    }
    m_newBookPath = QFileInfo(path).absoluteFilePath();
    return book.Name();
}

// The sheet the page setup dialog is for: the one named, or the first shown.
QString cExcel::setupSheet(ExcelWorkbook &book, const QString &SheetName) const
{
    if (!SheetName.isEmpty()) {
        if (!book.sheetState(SheetName).visible)
            throw ExcelError::refused(QStringLiteral("Worksheet クラスの Select メソッドが失敗しました。"));
        return SheetName;
    }
    for (const QString &name : book.sheetNames()) {
        if (book.sheetState(name).visible)
            return name;
    }
    throw ExcelError::noSuchSheet();
}

qint32 cExcel::DspExcelPageSetupDialog(const QString &, const QString &SheetName)
{
    ExcelWorkbook &book = application().ActiveWorkbook();
    const QString sheet = setupSheet(book, SheetName);
    SetupChartName.clear();
    const bool chart = book.sheetState(sheet).kind == quirn::SheetKind::Chart;
    if (chart)
        SetupChartName = sheet;

    quirn::PageSetupFacts current;
    try {
        current = book.pageSetup(sheet);
    } catch (const ExcelError &error) {
        // The dialog cannot show this sheet's setup: say why rather than
        // leaving the user without an answer.
        MessageBox::Show(error.description(), ExclamationOk);
        return 0;
    }
    const qint32 rc = frmPageSetup::Show(current, chart, sheet,
                                         [&book, &sheet](const quirn::PageSetupFacts &setup) {
                                             book.setPageSetup(sheet, setup);
                                         });
    if (rc == -1) {
        try {
            CapturePageSetup(sheet);
        } catch (const ExcelError &) {
        }
    }
    return rc;
}

void cExcel::CapturePageSetup(const QString &SheetName)
{
    ExcelWorkbook &book = application().ActiveWorkbook();
    const ExcelWorkbook::SheetState state = book.sheetState(SheetName);
    if (state.kind == quirn::SheetKind::MacroSheet)
        throw ExcelError::refused(QStringLiteral("ｼｰﾄ \"") + SheetName
                                  + QStringLiteral("\" にはﾍﾟｰｼﾞ設定がありません。"));
    const bool chart = state.kind == quirn::SheetKind::Chart;
    PageSetupProperties::capture(book.pageSetup(SheetName), chart, CapturedSetup);
    m_setupCaptured = true;
    m_capturedFromChart = chart;
}

void cExcel::SetActiveSheetPropaty(const QString &SheetName)
{
    try {
        ExcelWorkbook &book = application().ActiveWorkbook();
        const ExcelWorkbook::SheetState state = book.sheetState(SheetName);
        if (!state.visible)
            throw ExcelError::refused(QStringLiteral("Worksheet クラスの Select メソッドが失敗しました。"));
        if (!m_setupCaptured)
            throw ExcelError::refused(QStringLiteral("ページ設定が取り込まれていません。"));
        const bool targetChart = state.kind == quirn::SheetKind::Chart;
        quirn::PageSetupFacts setup = book.pageSetup(SheetName);
        const QStringList written = PageSetupProperties::apply(CapturedSetup, m_capturedFromChart,
                                                               targetChart, setup);
        if (!written.isEmpty())
            book.setPageSetup(SheetName, setup);
    } catch (const std::exception &) {
        MessageBox::Show(QStringLiteral("ｼｰﾄ \"") + SheetName + QStringLiteral("\"のﾍﾟｰｼﾞ設定はできませんでした。"),
                         ExclamationOk);
        QCoreApplication::processEvents();
    }
}

void cExcel::MoveSheet(QString FromBook, const QStringList &FromSheets, const QVariant &ToBook,
                       const QVariant &ToSheet, const QVariant &Position)
{
    const bool before = Position.isValid() && Position.toInt() != 0;
    transferSheets(true, FromBook, FromSheets, ToBook, ToSheet, before);
}

void cExcel::CopySheet(QString FromBook, const QStringList &FromSheets, const QVariant &ToBook,
                       const QVariant &ToSheet, qint16 Position)
{
    transferSheets(false, FromBook, FromSheets, ToBook, ToSheet, Position != 0);
}

// Moves or copies the listed sheets. Failures are not thrown: callers read the
// sheets again to see what happened, and LastTransferError() says why.
void cExcel::transferSheets(bool move, const QString &fromBook, const QStringList &fromSheets,
                            const QVariant &toBook, const QVariant &toSheet, bool before)
{
    m_nameConflicts.clear();
    m_lastTransferError.clear();
    try {
        ExcelApplication &app = application();
        app.NameConflictResolver = m_nameResolver;
        app.NameConflicts.clear();
        // Whatever happens, the caller learns which names were met.
        struct Collect
        {
            ExcelApplication &app;
            QList<std::pair<QString, QString>> &into;
            ~Collect() { into = app.NameConflicts; }
        } collect{app, m_nameConflicts};
        BookTransfer(app).transfer(move, fromBook, fromSheets, toBook, toSheet, before);
    } catch (const ExcelError &error) {
        m_lastTransferError = error.description();
    } catch (const std::exception &) {
        m_lastTransferError = QStringLiteral("ｼｰﾄを移動／ｺﾋﾟｰできませんでした。");
    }
}

bool cExcel::IsValidDefinedName(const QString &Name)
{
    return quirn::BookFile::isValidDefinedName(Name);
}

void cExcel::SetNameConflictResolver(std::function<QString(const QString &Name, const QString &Free)> Resolver)
{
    m_nameResolver = std::move(Resolver);
}

QStringList cExcel::OfficeTransferSheets(const QString &FromBook, const QStringList &FromSheets,
                                         const QString &ToBook)
{
    return BookTransfer(application()).officeSheets(FromBook, FromSheets, ToBook);
}

QString cExcel::CompleteMoveRefusal(const QString &FromBook, const QStringList &FromSheets)
{
    return BookTransfer(application()).completeMoveRefusal(FromBook, FromSheets);
}

void cExcel::CompleteMove(const QString &FromBook, const QStringList &FromSheets, const QString &ToBook)
{
    BookTransfer(application()).completeMove(FromBook, FromSheets, ToBook);
}

QString cExcel::SetSheetOrder(const QString &BookName, const QStringList &SheetNames)
{
    try {
        application().Workbook(BookName).reorderSheets(SheetNames);
        return QString();
    } catch (const ExcelError &error) {
        return error.description();
    }
}

QStringList cExcel::CopyBooksIntoBook(const QString &TargetPath,
                                      const QList<std::pair<QString, QStringList>> &Sources,
                                      QList<CombinedBook> *PerSource)
{
    QList<quirn::BookCombine::Source> sources;
    for (const auto &[path, sheets] : Sources)
        sources.append({path, sheets, QString()});
    quirn::BookCombine::Result result;
    const quirn::BookFileError error = quirn::BookCombine::run(TargetPath, sources, &result);
    m_nameConflicts.clear();
    for (const QString &name : std::as_const(result.namesKept))
        m_nameConflicts.append({name, QString()});
    if (PerSource) {
        PerSource->clear();
        for (const quirn::BookCombine::SourceResult &source : std::as_const(result.bySource))
            PerSource->append({source.copied, source.refused, source.refusedWhy, source.procedureUses});
    }
    if (error)
        throw ExcelError::fromBookFile(error);
    return result.skipped;
}

cExcel::CombineOutcome cExcel::CombineBooks(const QString &TargetPath,
                                           const QList<std::pair<QString, QStringList>> &Sources,
                                           const QString &OfficePath)
{
    QList<quirn::BookCombine::Source> sources;
    for (const auto &[path, sheets] : Sources)
        sources.append({path, sheets, QString()});
    quirn::BookCombine::Result result;
    const quirn::BookFileError error = quirn::BookCombine::run(TargetPath, sources, &result, QString(), OfficePath);
    m_nameConflicts.clear();
    for (const QString &name : std::as_const(result.namesKept))
        m_nameConflicts.append({name, QString()});
    if (error && !result.nothingToCopy)
        throw ExcelError::fromBookFile(error);
    CombineOutcome combined;
    combined.skipped = result.skipped;
    combined.unreadable = result.unreadable;
    combined.failed = result.failed;
    for (const quirn::BookCombine::Left &sheet : result.left)
        combined.left.append({sheet.source, sheet.sheet, sheet.position});
    if (!error)
        combined.savedTo = result.left.isEmpty() || OfficePath.isEmpty() ? TargetPath : OfficePath;
    return combined;
}

bool cExcel::FindExcelInstance(const QString &)
{
    application();
    return !OfficeProcess::findUserProcess().isEmpty();
}

void cExcel::DeleteSheet(const QString &SheetName)
{
    ExcelApplication &app = application();
    app.DisplayAlerts = false;
    app.ActiveWorkbook().deleteSheets({SheetName});
}

bool cExcel::CheckMacroObject(QStringList &Modules, QList<int> &Types)
{
    constexpr int DocumentModule = 100;
    bool found = false;
    for (const quirn::VbaModuleFacts &module : application().ActiveWorkbook().vbaModules()) {
        if (module.kind == DocumentModule)
            continue;
        if (!found) {
            Modules.clear();
            Types.clear();
        }
        found = true;
        Modules << module.name;
        Types << module.kind;
    }
    return found;
}

void cExcel::SelectedSheet(const QString &SheetName)
{
    application().ActiveWorkbook().selectSheet(SheetName);
}

QStringList cExcel::SaveLosses(const QString &Book)
{
    return application().Workbook(Book).officeSaveLosses();
}

void cExcel::AllowLossySave(const QString &Book)
{
    application().Workbook(Book).allowLossySave();
}
