// Seeds for the book file fuzz target: each real book given, and the
// workbook stream and VBA project information it holds on their own, so that
// mutations reach the record readers without first breaking the container;
// and pairs of workbook streams (each book with the next one given), for
// moving and copying sheets between books.
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
    QList<std::pair<QString, QByteArray>> streams;
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
        if (!name.isEmpty() && container->readStream(name, &stream)) {
            write(base + QStringLiteral(".workbook"), stream);
            streams.append({base, stream});
        }
        if (container->readStream(QStringLiteral("_VBA_PROJECT_CUR/VBA/dir"), &stream))
            write(base + QStringLiteral(".dir"), stream);
    }
    for (qsizetype i = 0; i + 1 < streams.size(); ++i) {
        const QByteArray &first = streams[i].second;
        const quint32 length = quint32(first.size());
        QByteArray pair("QUIRNPAIR", 9);
        for (int shift = 0; shift < 32; shift += 8)
            pair += char((length >> shift) & 0xFF);
        write(streams[i].first + QStringLiteral(".pair"), pair + first + streams[i + 1].second);
    }
    return 0;
}
