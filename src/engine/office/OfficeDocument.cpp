#include "OfficeDocument.h"
#include "OfficeDocumentPrivate.h"

#include "BookFileCheck.h"
#include "FileReplacement.h"
#include "InteractionRecorder.h"
#include "OfficeConnection.h"
#include "OfficeError.h"
#include "OfficeProcess.h"
#include "PdfExport.h"
#include "SheetPrintSetup.h"
#include "UnoText.h"

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XPrintAreas.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/document/XEmbeddedScripts.hpp>
#include <com/sun/star/script/vba/XVBACompatibility.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets2.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/util/XProtectable.hpp>
#include <com/sun/star/util/XReplaceable.hpp>
#include <com/sun/star/view/XRenderable.hpp>
#include <rtl/ref.hxx>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <cstdio>
#include <cstring>

using namespace com::sun::star;
using namespace OfficeDocumentDetail;
using Kind = OfficeError::Kind;

namespace {

const char kCompoundSignature[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};

void throwForFormat(BookFileCheck::Format format, const QString &shown)
{
    using F = BookFileCheck::Format;
    switch (format) {
    case F::Missing:
        throw OfficeError(Kind::FileMissing,
                          QStringLiteral("ファイル %1 が見つかりません。").arg(quoted(shown)));
    case F::Unreadable:
        throw OfficeError(Kind::Failed,
                          QStringLiteral("ファイル %1 を読み取れません。").arg(quoted(shown)));
    case F::Empty:
        throw OfficeError(Kind::NotAWorkbook,
                          QStringLiteral("ファイル %1 は空（0 バイト）です。Excel ブックではありません。")
                              .arg(quoted(shown)));
    case F::NotWorkbook:
        throw OfficeError(Kind::NotAWorkbook,
                          QStringLiteral("ファイル %1 は Excel ブックではありません。").arg(quoted(shown)));
    case F::Damaged:
        throw OfficeError(Kind::DamagedFile,
                          QStringLiteral("ファイル %1 は壊れているため開けません。").arg(quoted(shown)));
    case F::Biff5:
    case F::Biff4OrOlder:
    case F::OpenXml:
        throw OfficeError(Kind::OtherFormat,
                          QStringLiteral("ファイル %1 は Excel 97-2003 形式のブックではありません。")
                              .arg(quoted(shown)));
    case F::Biff8:
        break;
    }
}

bool startsWithCompoundSignature(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(8);
    return head.size() == 8 && std::memcmp(head.constData(), kCompoundSignature, 8) == 0;
}

} // namespace


OfficeDocument::OfficeDocument(OfficeProcess &process)
    : d(std::make_unique<Private>())
{
    d->process = &process;
}

OfficeDocument::~OfficeDocument()
{
    close();
}

std::unique_ptr<OfficeDocument> OfficeDocument::load(OfficeProcess &process, const QString &path)
{
    return load(process, path, LoadOptions());
}

namespace {

enum class LockHolder { Nobody, OurEngine, Other };

// The lock file beside the book names the profile of the office holding it;
// an empty one is still being written (or was left so by a crash).
LockHolder lockHolder(const QString &book)
{
    const QFileInfo info(book);
    QFile lock(info.dir().filePath(QStringLiteral(".~lock.%1#").arg(info.fileName())));
    if (!lock.open(QIODevice::ReadOnly))
        return LockHolder::Nobody;
    const QByteArray text = lock.read(4096);
    if (text.isEmpty())
        return LockHolder::Nobody;
    return text.contains(QUrl::fromLocalFile(OfficeProcess::profileFolder()).toEncoded() + '/') ? LockHolder::OurEngine
                                                                                              : LockHolder::Other;
}

} // namespace

// One load of the book; the document's model is null when the office
// refused it (the requests it made are recorded).
std::unique_ptr<OfficeDocument> OfficeDocument::loadOnce(OfficeProcess &process, const QString &absolute,
                                                         const LoadOptions &options, int format, bool readOnly)
{
    std::unique_ptr<OfficeDocument> doc(new OfficeDocument(process));
    Private &d = *doc->d;
    d.connection = process.connection();
    d.recorder = new InteractionRecorder;
    d.filter = BookFileCheck::filterFor(BookFileCheck::Format(format));
    d.readOnly = readOnly;
    d.path = absolute;

    uno::Sequence<beans::PropertyValue> descriptor = properties({
        property("Hidden", uno::Any(true)),
        property("FilterName", uno::Any(toOUString(d.filter))),
        property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
        property("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE)),
        property("InteractionHandler",
                 uno::Any(uno::Reference<task::XInteractionHandler>(d.recorder.get()))),
        property("ReadOnly", uno::Any(d.readOnly))});
    if (!options.password.isEmpty()) {
        descriptor.realloc(descriptor.getLength() + 1);
        descriptor.getArray()[descriptor.getLength() - 1] =
            property("Password", uno::Any(toOUString(options.password)));
    }
    if (!options.presentedAs.isEmpty()) {
        d.path = QFileInfo(options.presentedAs).absoluteFilePath();
        descriptor.realloc(descriptor.getLength() + 1);
        descriptor.getArray()[descriptor.getLength() - 1] =
            property("SalvagedFile", uno::Any(toFileUrl(d.path)));
    }
    const rtl::OUString url = toFileUrl(absolute);
    uno::Reference<lang::XComponent> component = d.connection->call(CallKind::Long, [&] {
        uno::Reference<frame::XComponentLoader> loader(d.connection->desktop(), uno::UNO_QUERY_THROW);
        return loader->loadComponentFromURL(url, "_blank", 0, descriptor);
    });
    d.model.set(component, uno::UNO_QUERY);
    if (!d.model.is() && component.is())
        d.connection->call(CallKind::Quick, [&] {
            uno::Reference<util::XCloseable>(component, uno::UNO_QUERY_THROW)->close(true);
        });
    return doc;
}

std::unique_ptr<OfficeDocument> OfficeDocument::load(OfficeProcess &process, const QString &path,
                                                     const LoadOptions &options)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString shown = QFileInfo(absolute).fileName();
    bool encrypted = false;
    const BookFileCheck::Format format = BookFileCheck::classify(absolute, encrypted);
    const bool otherFormat = format == BookFileCheck::Format::Biff5
                             || format == BookFileCheck::Format::Biff4OrOlder
                             || format == BookFileCheck::Format::OpenXml;
    if (!(otherFormat && options.allowOtherFormats))
        throwForFormat(format, shown);

    // The office puts a lock file beside the book it loads, and refuses a book
    // another office holds. When that office is another engine of this user's
    // Quirn (several runs rendering the same books at once), the book is read
    // without a lock, as a copy that is never saved over the book; a lock of
    // anybody else's office stays a refusal. A lock that was let go (or was
    // still being written) when the office looked is tried again.
    std::unique_ptr<OfficeDocument> doc =
        loadOnce(process, absolute, options, int(format), otherFormat || options.readOnly);
    for (int attempt = 0; attempt < 3 && !doc->d->model.is() && !doc->d->readOnly; ++attempt) {
        const LockHolder holder = lockHolder(absolute);
        if (holder == LockHolder::OurEngine) {
            doc = loadOnce(process, absolute, options, int(format), true);
        } else if (holder == LockHolder::Nobody && doc->d->recorder->sawRequest(QStringLiteral("Lock"))) {
            QThread::msleep(20);
            doc = loadOnce(process, absolute, options, int(format), false);
        } else {
            break;
        }
    }
    Private &d = *doc->d;
    if (!d.model.is()) {
        if (d.recorder->sawRequest(QStringLiteral("LockedDocumentRequest"))) {
            throw OfficeError(Kind::FileLocked,
                              QStringLiteral("ブック %1 は他のユーザーが使用中です。").arg(quoted(shown)));
        }
        if (d.recorder->sawRequest(QStringLiteral("PasswordRequest")) || encrypted) {
            if (options.password.isEmpty()) {
                throw OfficeError(Kind::PasswordRequired,
                                  QStringLiteral("ブック %1 はパスワードで保護されています。")
                                      .arg(quoted(shown)));
            }
            throw OfficeError(Kind::WrongPassword,
                              QStringLiteral("ブック %1 のパスワードが正しくありません。")
                                  .arg(quoted(shown)));
        }
        throw OfficeError(Kind::DamagedFile,
                          QStringLiteral("ファイル %1 は壊れているため開けません。").arg(quoted(shown)));
    }
    return doc;
}

std::unique_ptr<OfficeDocument> OfficeDocument::create(OfficeProcess &process, int sheetCount)
{
    const int count = qBound(1, sheetCount, 255);
    std::unique_ptr<OfficeDocument> doc(new OfficeDocument(process));
    Private &d = *doc->d;
    d.connection = process.connection();
    d.filter = QStringLiteral("MS Excel 97");
    uno::Reference<lang::XComponent> component = d.connection->call(CallKind::Long, [&] {
        uno::Reference<frame::XComponentLoader> loader(d.connection->desktop(), uno::UNO_QUERY_THROW);
        uno::Sequence<beans::PropertyValue> descriptor = properties({property("Hidden", uno::Any(true))});
        return loader->loadComponentFromURL("private:factory/scalc", "_blank", 0, descriptor);
    });
    d.model.set(component, uno::UNO_QUERY);
    if (!d.model.is()) {
        throw OfficeError(Kind::Failed, QStringLiteral("新しいブックを作成できません。"));
    }
    d.quick([&] {
        uno::Reference<sheet::XSpreadsheets2> sheets = d.sheets();
        const QStringList initial = d.names();
        for (int i = initial.size() - 1; i >= 1; --i)
            sheets->removeByName(toOUString(initial.at(i)));
        uno::Reference<container::XNamed>(d.sheetAt(0), uno::UNO_QUERY_THROW)->setName("Sheet1");
        for (int i = 2; i <= count; ++i)
            sheets->insertNewByName(toOUString(QStringLiteral("Sheet%1").arg(i)), sal_Int16(i - 1));
        // Excel's defaults: no header or footer, margins 0.75 in / 1 in.
        uno::Reference<beans::XPropertySet> style(d.pageStyles()->getByName("Default"),
                                                  uno::UNO_QUERY_THROW);
        style->setPropertyValue("HeaderIsOn", uno::Any(false));
        style->setPropertyValue("FooterIsOn", uno::Any(false));
        style->setPropertyValue("LeftMargin", uno::Any(sal_Int32(1905)));
        style->setPropertyValue("RightMargin", uno::Any(sal_Int32(1905)));
        style->setPropertyValue("TopMargin", uno::Any(sal_Int32(2540)));
        style->setPropertyValue("BottomMargin", uno::Any(sal_Int32(2540)));
        d.setModified(false);
    });
    return doc;
}

QString OfficeDocument::path() const { return d->path; }
QString OfficeDocument::filterName() const { return d->filter; }

QString OfficeDocument::location() const
{
    const QString url = d->quick([&] { return toQString(d->model->getURL()); });
    return url.isEmpty() ? QString() : QUrl(url).toLocalFile();
}
QString OfficeDocument::url() const
{
    return d->quick([&] { return toQString(d->model->getURL()); });
}

bool OfficeDocument::isReadOnly() const { return d->readOnly; }

bool OfficeDocument::isOpen() const
{
    return d->model.is() && d->connection && !d->connection->isGone();
}

QStringList OfficeDocument::interactionRequests() const
{
    return d->recorder.is() ? d->recorder->requests() : QStringList();
}

int OfficeDocument::sheetCount() const
{
    return d->quick([&] {
        return int(uno::Reference<container::XIndexAccess>(d->sheets(), uno::UNO_QUERY_THROW)
                       ->getCount());
    });
}

QStringList OfficeDocument::sheetNames() const
{
    return d->quick([&] { return d->names(); });
}

QString OfficeDocument::sheetName(int index) const
{
    const QStringList names = sheetNames();
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}

int OfficeDocument::sheetIndex(const QString &name) const
{
    return int(sheetNames().indexOf(name));
}

bool OfficeDocument::isSheetVisible(const QString &name) const
{
    return d->quick([&] { return Private::visible(d->sheet(name)); });
}

void OfficeDocument::activateSheet(const QString &name)
{
    d->quick([&] {
        const uno::Reference<sheet::XSpreadsheet> s = d->sheet(name);
        uno::Reference<sheet::XSpreadsheetView> view(d->model->getCurrentController(), uno::UNO_QUERY);
        if (view.is() && Private::visible(s))
            view->setActiveSheet(s);
    });
}

void OfficeDocument::setSheetVisible(const QString &name, bool visible)
{
    d->quick([&] {
        const uno::Reference<sheet::XSpreadsheet> s = d->sheet(name);
        Private::props(s)->setPropertyValue("IsVisible", uno::Any(visible));
        // The office refuses silently (last visible sheet, protected book).
        if (Private::visible(s) != visible) {
            throw OfficeError(Kind::Refused,
                              QStringLiteral("シート %1 を%2にできません。")
                                  .arg(quoted(name), visible ? QStringLiteral("表示")
                                                             : QStringLiteral("非表示")));
        }
    });
}

bool OfficeDocument::isSheetProtected(const QString &name) const
{
    return d->quick([&] {
        return bool(uno::Reference<util::XProtectable>(d->sheet(name), uno::UNO_QUERY_THROW)
                        ->isProtected());
    });
}

bool OfficeDocument::isProtected() const
{
    return d->quick([&] {
        return bool(uno::Reference<util::XProtectable>(d->model, uno::UNO_QUERY_THROW)->isProtected());
    });
}

bool OfficeDocument::isModified() const
{
    return d->quick([&] {
        return bool(uno::Reference<util::XModifiable>(d->model, uno::UNO_QUERY_THROW)->isModified());
    });
}

int OfficeDocument::pageCount(const QString &name) const
{
    return d->slow([&] {
        uno::Reference<view::XRenderable> renderable(d->model, uno::UNO_QUERY_THROW);
        return int(renderable->getRendererCount(uno::Any(d->sheet(name)),
                                                uno::Sequence<beans::PropertyValue>()));
    });
}

OfficeDocument::CellPosition OfficeDocument::lastUsedCell(const QString &name) const
{
    return d->quick([&] {
        const uno::Reference<sheet::XSpreadsheet> s = d->sheet(name);
        uno::Reference<sheet::XSheetCellCursor> cursor = s->createCursor();
        uno::Reference<sheet::XUsedAreaCursor>(cursor, uno::UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
        const table::CellRangeAddress end =
            uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress();
        // The bottom-right cell of the merged area the last cell belongs to.
        uno::Reference<sheet::XSheetCellRange> cell(
            s->getCellRangeByPosition(end.EndColumn, end.EndRow, end.EndColumn, end.EndRow),
            uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XSheetCellCursor> merged = s->createCursorByRange(cell);
        merged->collapseToMergedArea();
        const table::CellRangeAddress area =
            uno::Reference<sheet::XCellRangeAddressable>(merged, uno::UNO_QUERY_THROW)->getRangeAddress();
        return CellPosition{int(area.EndRow) + 1, int(area.EndColumn) + 1};
    });
}

void OfficeDocument::renameSheet(const QString &name, const QString &newName)
{
    d->quick([&] {
        uno::Reference<container::XNamed> named(d->sheet(name), uno::UNO_QUERY_THROW);
        named->setName(toOUString(newName));
        if (toQString(named->getName()) != newName) {
            throw OfficeError(Kind::Refused, QStringLiteral("シート名を %1 に変更できません。")
                                                 .arg(quoted(newName)));
        }
    });
}

void OfficeDocument::removeSheet(const QString &name)
{
    d->quick([&] {
        d->sheet(name); // exact check first
        d->sheets()->removeByName(toOUString(name));
    });
}

void OfficeDocument::copySheet(const QString &name, const QString &newName, int beforeIndex)
{
    d->quick([&] {
        const uno::Reference<sheet::XSpreadsheet> source = d->sheet(name);
        const QStringList before = d->names();
        for (const QString &existing : before) {
            if (existing.compare(newName, Qt::CaseInsensitive) == 0) {
                throw OfficeError(Kind::Refused, QStringLiteral("シート名 %1 は既に使われています。")
                                                     .arg(quoted(newName)));
            }
        }
        try {
            d->sheets()->copyByName(toOUString(name), toOUString(newName), sal_Int16(beforeIndex));
        } catch (const uno::RuntimeException &e) {
            if (d->connection->isGone())
                throw;
            // A failed copy may leave a stray sheet behind.
            for (const QString &n : d->names()) {
                if (!before.contains(n))
                    d->sheets()->removeByName(toOUString(n));
            }
            throw OfficeError(Kind::Refused, QStringLiteral("シート %1 をコピーできません。（%2）")
                                                 .arg(quoted(name), toQString(e.Message)));
        }
        if (!Private::visible(source)) {
            const uno::Reference<sheet::XSpreadsheet> copy = d->sheet(newName);
            Private::props(copy)->setPropertyValue("IsVisible", uno::Any(false));
        }
    });
}

void OfficeDocument::moveSheets(const QStringList &names, const QString &target, bool before)
{
    d->quick([&] {
        d->sheet(target);
        for (const QString &n : names)
            d->sheet(n);
        // Excel's order: the moved sheets keep the order of the list.
        QString previous = target;
        for (const QString &n : names) {
            const QStringList order = d->names();
            const int at = before ? order.indexOf(target) : order.indexOf(previous) + 1;
            d->sheets()->moveByName(toOUString(n), sal_Int16(at));
            previous = n;
        }
    });
}

QString OfficeDocument::importSheet(const OfficeDocument &source, const QString &name,
                                    int beforeIndex)
{
    if (source.d->connection != d->connection) {
        throw OfficeError(Kind::Failed,
                          QStringLiteral("別のエンジンで開かれたブックからはコピーできません。"));
    }
    return d->quick([&] {
        const uno::Reference<sheet::XSpreadsheet> from = source.d->sheet(name);
        uno::Reference<sheet::XSpreadsheetDocument> sourceDoc(source.d->model, uno::UNO_QUERY_THROW);
        // The office ends when it makes a code module for a sheet brought
        // into a book with a VBA project: the book's VBA mode is off meanwhile.
        uno::Reference<script::vba::XVBACompatibility> vba(
            uno::Reference<document::XEmbeddedScripts>(d->model, uno::UNO_QUERY_THROW)->getBasicLibraries(),
            uno::UNO_QUERY);
        const bool vbaMode = vba.is() && vba->getVBACompatibilityMode();
        if (vbaMode)
            vba->setVBACompatibilityMode(false);
        const sal_Int32 at = d->sheets()->importSheet(sourceDoc, toOUString(name),
                                                      sal_Int32(beforeIndex));
        if (vbaMode)
            vba->setVBACompatibilityMode(true);
        const uno::Reference<sheet::XSpreadsheet> copy = d->sheetAt(at);
        const QString copyName =
            toQString(uno::Reference<container::XNamed>(copy, uno::UNO_QUERY_THROW)->getName());

        // What the office's import leaves behind: page style, print ranges,
        // hidden state.
        SheetPrintSetup::carry(*source.d, from, *d, copy, copyName, at);
        if (!Private::visible(from))
            Private::props(copy)->setPropertyValue("IsVisible", uno::Any(false));
        return copyName;
    });
}

void OfficeDocument::Private::storeTo(const QString &target) const
{
    const QFileInfo info(target);
    const QString shown = info.fileName();
    const auto failed = [&](const QString &why) {
        return OfficeError(Kind::SaveFailed, QStringLiteral("ブック %1 を保存できません。%2")
                                                 .arg(quoted(shown), why));
    };
    if (readOnly) {
        throw OfficeError(Kind::ReadOnly,
                          QStringLiteral("ブック %1 は読み取り専用で開かれているため、保存できません。")
                              .arg(quoted(shown)));
    }
    if (quirn::FileReplacement::isReadOnly(target))
        throw failed(QStringLiteral("ファイルは読み取り専用です。"));
    if (quirn::FileReplacement::isInReadOnlyFolder(target))
        throw failed(QStringLiteral("フォルダに書き込めません。"));
    if (!QFileInfo(info.absolutePath()).isDir())
        throw failed(QStringLiteral("保存先のフォルダがありません。"));

    const uno::Sequence<beans::PropertyValue> args =
        properties({property("FilterName", uno::Any(rtl::OUString("MS Excel 97"))),
                    property("Overwrite", uno::Any(true))});
    conn().call(CallKind::Quick, [&] { keepActiveSheetVisible(); });
    const bool neverSaved = conn().call(CallKind::Quick, [&] { return model->getURL().isEmpty(); });
    if (neverSaved && !info.exists()) {
        // A new book written to a new file: nothing can be lost, and the book
        // takes the file's name (printed by the file name field).
        try {
            conn().call(CallKind::Long, [&] {
                uno::Reference<frame::XStorable>(model, uno::UNO_QUERY_THROW)
                    ->storeAsURL(toFileUrl(target), args);
            });
        } catch (const OfficeError &e) {
            QFile::remove(target);
            if (e.kind() == Kind::NotResponding || e.kind() == Kind::ProcessGone)
                throw;
            throw failed(e.message());
        }
        if (!startsWithCompoundSignature(target)) {
            QFile::remove(target);
            throw failed(QStringLiteral("書き出したファイルが正しくありません。"));
        }
        if (!quirn::FileReplacement::syncWritten(target)) {
            QFile::remove(target);
            throw failed(QString::fromLocal8Bit(std::strerror(errno)));
        }
        return;
    }

    quirn::FileReplacement replacement(target);
    QString reason;
    if (!replacement.begin(&reason))
        throw failed(reason);
    const QString temporary = replacement.temporaryPath();
    try {
        conn().call(CallKind::Long, [&] {
            uno::Reference<frame::XStorable>(model, uno::UNO_QUERY_THROW)
                ->storeToURL(toFileUrl(temporary), args);
        });
    } catch (const OfficeError &e) {
        if (e.kind() == Kind::NotResponding || e.kind() == Kind::ProcessGone)
            throw;
        throw failed(e.message());
    }
    if (!startsWithCompoundSignature(temporary))
        throw failed(QStringLiteral("書き出したファイルが正しくありません。"));
    if (!replacement.commit(&reason))
        throw failed(reason);
}

void OfficeDocument::save()
{
    if (d->path.isEmpty()) {
        throw OfficeError(Kind::SaveFailed,
                          QStringLiteral("まだ保存されていないブックです。保存先を指定してください。"));
    }
    saveAs(d->path);
}

void OfficeDocument::saveAs(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    d->storeTo(absolute);
    d->path = absolute;
    d->quick([&] { d->setModified(false); });
}

void OfficeDocument::exportPdf(const QStringList &sheets, const QString &pdfPath, int fromPage,
                               int toPage)
{
    const QString absolute = QFileInfo(pdfPath).absoluteFilePath();
    if (!PdfExport(*d).write(sheets, absolute, fromPage, toPage))
        exportThroughCopy(sheets, absolute, fromPage, toPage);
}

void OfficeDocument::exportThroughCopy(const QStringList &sheets, const QString &pdfPath,
                                       int fromPage, int toPage)
{
    // The office does not show or hide sheets of a protected book; a new book
    // with copies of the chosen sheets prints the same pages.
    std::unique_ptr<OfficeDocument> copy = create(*d->process, 1);
    const QString initial = copy->sheetName(0);
    QStringList chosen;
    QStringList copies;
    for (const QString &name : sheetNames()) {
        if (!sheets.contains(name))
            continue;
        chosen.append(name);
        copies.append(copy->importSheet(*this, name, copy->sheetCount()));
        copy->setSheetVisible(copies.last(), true);
    }
    copy->removeSheet(initial);
    for (int i = 0; i < chosen.size(); ++i) {
        if (copies[i] != chosen[i]) // the name field prints the sheet's own name
            copy->renameSheet(copies[i], chosen[i]);
    }
    copy->exportPdf(chosen, pdfPath, fromPage, toPage);
}

void OfficeDocument::close()
{
    if (!d->model.is())
        return;
    if (d->connection && !d->connection->isGone()) {
        try {
            d->quick([&] {
                uno::Reference<util::XCloseable>(d->model, uno::UNO_QUERY_THROW)->close(true);
            });
        } catch (const OfficeError &) {
            // The book goes with the process.
        }
    }
    d->model.clear();
}

void OfficeDocument::showToUser()
{
    if (!d->process->runsWithDisplay()) {
        throw OfficeError(Kind::NoDisplay,
                          QStringLiteral("画面がないため、ブックを表示できません。"));
    }
    d->quick([&] {
        uno::Reference<frame::XFrame> frame = d->model->getCurrentController()->getFrame();
        uno::Reference<awt::XWindow> window = frame->getContainerWindow();
        window->setVisible(true);
        uno::Reference<awt::XTopWindow> top(window, uno::UNO_QUERY);
        if (top.is())
            top->toFront();
    });
    d->process->handOver();
    // The book is the user's now: never close it from here.
    d->model.clear();
    d->connection.reset();
}

QList<QStringList> OfficeDocument::formulas(const QString &name, int mostCells) const
{
    return d->quick([&] {
        const uno::Reference<sheet::XSpreadsheet> s = d->sheet(name);
        uno::Reference<sheet::XSheetCellCursor> cursor = s->createCursor();
        uno::Reference<sheet::XUsedAreaCursor>(cursor, uno::UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
        const table::CellRangeAddress end =
            uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress();
        if (qint64(end.EndRow + 1) * qint64(end.EndColumn + 1) > mostCells)
            throw OfficeError(Kind::Failed, QStringLiteral("ｼｰﾄ \"%1\" は大きすぎるため、比べられません。").arg(name));
        uno::Reference<sheet::XCellRangeFormula> range(s->getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow),
                                                       uno::UNO_QUERY_THROW);
        const uno::Sequence<uno::Sequence<rtl::OUString>> grid = range->getFormulaArray();
        QList<QStringList> rows;
        rows.reserve(grid.getLength());
        for (const uno::Sequence<rtl::OUString> &row : grid) {
            QStringList cells;
            cells.reserve(row.getLength());
            for (const rtl::OUString &cell : row)
                cells.append(toQString(cell));
            rows.append(cells);
        }
        return rows;
    });
}

int OfficeDocument::replaceInFormulas(const QString &name, const QString &from, const QString &to)
{
    return d->quick([&] {
        uno::Reference<util::XReplaceable> cells(d->sheet(name), uno::UNO_QUERY_THROW);
        uno::Reference<util::XReplaceDescriptor> replace = cells->createReplaceDescriptor();
        replace->setSearchString(toOUString(from));
        replace->setReplaceString(toOUString(to));
        Private::props(replace)->setPropertyValue("SearchCaseSensitive", uno::Any(true));
        Private::props(replace)->setPropertyValue("SearchRegularExpression", uno::Any(false));
        return int(cells->replaceAll(uno::Reference<util::XSearchDescriptor>(replace, uno::UNO_QUERY_THROW)));
    });
}
