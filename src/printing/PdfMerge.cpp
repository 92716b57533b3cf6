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
    return Join(files, 0, 0);
}

QByteArray PdfMerge::Join(const QStringList &files, int fromPage, int toPage, QList<int> *taken)
{
    if (taken)
        taken->clear();
    try {
        QPDF joined;
        joined.emptyPDF();
        QPDFPageDocumentHelper pages(joined);
        // The sources must outlive the writing: their pages are copied then.
        std::list<QPDF> sources;
        int number = 0, kept = 0;
        for (const QString &file : files) {
            QPDF &source = sources.emplace_back();
            source.processFile(QFile::encodeName(file).constData());
            int fromThisFile = 0;
            for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(source).getAllPages()) {
                ++number;
                if (number < fromPage || (toPage > 0 && number > toPage))
                    continue;
                pages.addPage(page, false);
                ++fromThisFile;
            }
            if (taken)
                taken->append(fromThisFile);
            kept += fromThisFile;
        }
        if (kept == 0)
            return QByteArray();
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
