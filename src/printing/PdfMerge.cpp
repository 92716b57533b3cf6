#include "PdfMerge.h"

#include "ExcelError.h"

#include <QFile>

// The shared-pointer interface of the library, without its transition warnings.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <list>

QByteArray PdfMerge::Join(const QStringList &files)
{
    try {
        QPDF joined;
        joined.emptyPDF();
        QPDFPageDocumentHelper pages(joined);
        // The sources must outlive the writing: their pages are copied then.
        std::list<QPDF> sources;
        for (const QString &file : files) {
            QPDF &source = sources.emplace_back();
            source.processFile(QFile::encodeName(file).constData());
            for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(source).getAllPages())
                pages.addPage(page, false);
        }
        QPDFWriter writer(joined);
        writer.setOutputMemory();
        writer.setStaticID(false);
        writer.write();
        std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char *>(buffer->getBuffer()), qsizetype(buffer->getSize()));
    } catch (const std::exception &error) {
        throw ExcelError::refused(QStringLiteral("PDF を結合できませんでした。（%1）")
                                      .arg(QString::fromLocal8Bit(error.what())));
    }
}
