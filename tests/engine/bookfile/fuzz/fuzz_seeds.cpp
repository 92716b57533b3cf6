// Seeds for the book file fuzz target: each real book given, and the
// workbook stream and VBA project information it holds on their own, so that
// mutations reach the record readers without first breaking the container.
//
//   fuzz_seeds OUTPUT_FOLDER BOOK...

#include "CompoundFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

using namespace quirn;

namespace {

constexpr qint64 kLargestSeed = 256 * 1024;

void write(const QString &path, const QByteArray &bytes)
{
    if (bytes.isEmpty() || bytes.size() > kLargestSeed)
        return;
    QFile out(path);
    if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return 2;
    const QString folder = args.first();
    for (const QString &book : args.mid(1)) {
        QFile file(book);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        const QString base = folder + QLatin1Char('/') + QFileInfo(book).completeBaseName();
        write(base + QStringLiteral(".xls"), bytes);
        const std::unique_ptr<CompoundFile> container = CompoundFile::open(bytes);
        if (!container)
            continue;
        QByteArray stream;
        const QString name = container->findTopLevelStream(QStringLiteral("Workbook"));
        if (!name.isEmpty() && container->readStream(name, &stream))
            write(base + QStringLiteral(".workbook"), stream);
        if (container->readStream(QStringLiteral("_VBA_PROJECT_CUR/VBA/dir"), &stream))
            write(base + QStringLiteral(".dir"), stream);
    }
    return 0;
}
