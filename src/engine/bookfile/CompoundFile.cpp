#include "CompoundFile.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-utils.h>

#include <QFile>

namespace quirn {

namespace {

void initialiseGsfOnce()
{
    static const bool done = [] {
        gsf_init();
        // A damaged container is reported by open() and readStream(); the
        // library's own complaints about it are not for the user.
        for (const char *domain : {"libgsf:msole", "libgsf", static_cast<const char *>(nullptr)})
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                              [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {}, nullptr);
        return true;
    }();
    Q_UNUSED(done);
}

GsfInput *childByName(GsfInfile *dir, const QString &name)
{
    const int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        const char *childName = gsf_infile_name_by_index(dir, i);
        if (childName && QString::fromUtf8(childName) == name)
            return gsf_infile_child_by_index(dir, i);
    }
    return nullptr;
}

// The entry at a slash-separated path, with a reference the caller releases.
GsfInput *entryAt(GsfInfile *root, const QString &path)
{
    GsfInput *current = GSF_INPUT(g_object_ref(root));
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        GsfInput *next = nullptr;
        if (GSF_IS_INFILE(current) && gsf_infile_num_children(GSF_INFILE(current)) >= 0)
            next = childByName(GSF_INFILE(current), part);
        g_object_unref(current);
        if (!next)
            return nullptr;
        current = next;
    }
    return current;
}

bool isStorage(GsfInput *entry)
{
    return GSF_IS_INFILE(entry) && gsf_infile_num_children(GSF_INFILE(entry)) >= 0;
}

void collectStreams(GsfInfile *dir, const QString &prefix, QStringList *out)
{
    const int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        GsfInput *child = gsf_infile_child_by_index(dir, i);
        const char *name = gsf_infile_name_by_index(dir, i);
        if (!child || !name) {
            if (child)
                g_object_unref(child);
            continue;
        }
        const QString path = prefix + QString::fromUtf8(name);
        if (isStorage(child))
            collectStreams(GSF_INFILE(child), path + QLatin1Char('/'), out);
        else
            out->append(path);
        g_object_unref(child);
    }
}

struct TreeEdit
{
    const QMap<QString, QByteArray> &streams;
    const QStringList &dropped;
};

bool writeBytes(GsfOutput *out, const QByteArray &bytes)
{
    return gsf_output_write(out, size_t(bytes.size()), reinterpret_cast<const guint8 *>(bytes.constData()));
}

bool closeChild(GsfOutput *child, bool ok)
{
    if (child) {
        ok = gsf_output_close(child) && ok;
        g_object_unref(child);
    }
    return ok;
}

bool addNewEntries(GsfOutfile *out, const QString &prefix, const QStringList &existing, const TreeEdit &edit);

// Copies the storage `in` (null for one made new) at `prefix` into `out`
// with the edit applied.
bool copyTree(GsfInfile *in, GsfOutfile *out, const QString &prefix, const TreeEdit &edit)
{
    QStringList existing;
    const int n = in ? gsf_infile_num_children(in) : 0;
    for (int i = 0; i < n; ++i) {
        GsfInput *child = gsf_infile_child_by_index(in, i);
        const char *name = gsf_infile_name_by_index(in, i);
        if (!child || !name) {
            if (child)
                g_object_unref(child);
            return false;
        }
        const QString path = prefix + QString::fromUtf8(name);
        existing << QString::fromUtf8(name);
        if (edit.dropped.contains(path)) {
            g_object_unref(child);
            continue;
        }
        const bool dir = isStorage(child);
        GsfOutput *outChild = gsf_outfile_new_child(out, name, dir);
        bool ok = outChild != nullptr;
        if (ok && dir) {
            guint8 clsid[16];
            if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child), clsid))
                gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(outChild), clsid);
            ok = copyTree(GSF_INFILE(child), GSF_OUTFILE(outChild), path + QLatin1Char('/'), edit);
        } else if (ok && edit.streams.contains(path)) {
            ok = writeBytes(outChild, edit.streams.value(path));
        } else if (ok) {
            ok = gsf_input_copy(child, outChild);
        }
        ok = closeChild(outChild, ok);
        g_object_unref(child);
        if (!ok)
            return false;
    }
    return addNewEntries(out, prefix, existing, edit);
}

// The streams of the edit under `prefix` that the storage did not hold, and
// the storages they need.
bool addNewEntries(GsfOutfile *out, const QString &prefix, const QStringList &existing, const TreeEdit &edit)
{
    QStringList done;
    for (auto it = edit.streams.cbegin(); it != edit.streams.cend(); ++it) {
        if (!it.key().startsWith(prefix))
            continue;
        const QString rest = it.key().mid(prefix.size());
        const QString name = rest.section(QLatin1Char('/'), 0, 0);
        if (name.isEmpty() || existing.contains(name) || done.contains(name))
            continue;
        done << name;
        const bool dir = rest.contains(QLatin1Char('/'));
        GsfOutput *child = gsf_outfile_new_child(out, name.toUtf8().constData(), dir);
        bool ok = child != nullptr;
        if (ok && dir)
            ok = copyTree(nullptr, GSF_OUTFILE(child), prefix + name + QLatin1Char('/'), edit);
        else if (ok)
            ok = writeBytes(child, it.value());
        if (!closeChild(child, ok))
            return false;
    }
    return true;
}

} // namespace

struct CompoundFile::Private
{
    QByteArray bytes;
    GsfInput *input = nullptr;
    GsfInfile *root = nullptr;
};

CompoundFile::~CompoundFile()
{
    if (d->root)
        g_object_unref(d->root);
    if (d->input)
        g_object_unref(d->input);
}

std::unique_ptr<CompoundFile> CompoundFile::open(const QByteArray &fileBytes)
{
    initialiseGsfOnce();
    static const char magic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (fileBytes.size() < 512 || !fileBytes.startsWith(QByteArray(magic, 8)))
        return nullptr;
    std::unique_ptr<CompoundFile> file(new CompoundFile);
    file->d = std::make_unique<Private>();
    file->d->bytes = fileBytes;
    file->d->input = gsf_input_memory_new(reinterpret_cast<const guint8 *>(file->d->bytes.constData()),
                                          file->d->bytes.size(), FALSE);
    if (!file->d->input)
        return nullptr;
    GError *error = nullptr;
    file->d->root = gsf_infile_msole_new(file->d->input, &error);
    if (error)
        g_error_free(error);
    if (!file->d->root)
        return nullptr;
    return file;
}

std::unique_ptr<CompoundFile> CompoundFile::create(const QString &name, const QByteArray &stream)
{
    initialiseGsfOnce();
    GsfOutput *sink = gsf_output_memory_new();
    GsfOutfile *out = gsf_outfile_msole_new(sink);
    GsfOutput *child = gsf_outfile_new_child(out, name.toUtf8().constData(), FALSE);
    bool ok = child && gsf_output_write(child, size_t(stream.size()), reinterpret_cast<const guint8 *>(stream.constData()));
    if (child) {
        ok = gsf_output_close(child) && ok;
        g_object_unref(child);
    }
    ok = gsf_output_close(GSF_OUTPUT(out)) && ok;
    g_object_unref(out);
    QByteArray bytes;
    if (ok) {
        const guint8 *data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink));
        bytes = QByteArray(reinterpret_cast<const char *>(data), qsizetype(gsf_output_size(sink)));
    }
    if (!gsf_output_is_closed(sink))
        gsf_output_close(sink);
    g_object_unref(sink);
    return ok ? open(bytes) : nullptr;
}

QString CompoundFile::findTopLevelStream(const QString &name) const
{
    const int n = gsf_infile_num_children(d->root);
    for (int i = 0; i < n; ++i) {
        const char *childName = gsf_infile_name_by_index(d->root, i);
        if (childName && QString::fromUtf8(childName).compare(name, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(childName);
    }
    return {};
}

bool CompoundFile::hasEntry(const QString &path) const
{
    GsfInput *entry = entryAt(d->root, path);
    if (!entry)
        return false;
    g_object_unref(entry);
    return true;
}

QStringList CompoundFile::streamPaths() const
{
    QStringList out;
    collectStreams(d->root, QString(), &out);
    return out;
}

bool CompoundFile::readStream(const QString &path, QByteArray *out) const
{
    GsfInput *entry = entryAt(d->root, path);
    if (!entry)
        return false;
    bool ok = !isStorage(entry);
    const gsf_off_t size = gsf_input_size(entry);
    // A stream can never be larger than the file that holds it.
    ok = ok && size >= 0 && size <= d->bytes.size();
    if (ok) {
        out->resize(qsizetype(size));
        gsf_off_t done = 0;
        while (ok && done < size) {
            const gsf_off_t chunk = qMin<gsf_off_t>(size - done, 65536);
            ok = gsf_input_read(entry, size_t(chunk), reinterpret_cast<guint8 *>(out->data() + done)) != nullptr;
            done += chunk;
        }
    }
    g_object_unref(entry);
    if (!ok)
        out->clear();
    return ok;
}

bool CompoundFile::writeCopy(const QString &targetPath, const QString &replacedStream,
                             const QByteArray &replacement, QString *error) const
{
    return writeCopy(targetPath, {{replacedStream, replacement}}, {}, error);
}

bool CompoundFile::writeCopy(const QString &targetPath, const QMap<QString, QByteArray> &streams,
                             const QStringList &dropped, QString *error) const
{
    GError *gerror = nullptr;
    GsfOutput *sink = gsf_output_stdio_new(QFile::encodeName(targetPath).constData(), &gerror);
    if (!sink) {
        if (error)
            *error = gerror ? QString::fromUtf8(gerror->message) : QString();
        if (gerror)
            g_error_free(gerror);
        return false;
    }
    GsfOutfile *out = gsf_outfile_msole_new(sink);
    guint8 clsid[16];
    if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(d->root), clsid))
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(out), clsid);
    bool ok = copyTree(d->root, out, QString(), TreeEdit{streams, dropped});
    ok = gsf_output_close(GSF_OUTPUT(out)) && ok;
    g_object_unref(out);
    if (!gsf_output_is_closed(sink))
        ok = gsf_output_close(sink) && ok;
    if (!ok && error) {
        const GError *e = gsf_output_error(sink);
        *error = e ? QString::fromUtf8(e->message) : QStringLiteral("write error");
    }
    g_object_unref(sink);
    return ok;
}

} // namespace quirn
