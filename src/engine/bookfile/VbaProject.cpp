#include "VbaProject.h"

#include "BookFileMessages.h"

namespace quirn {

bool VbaProject::read(const StreamReader &readStream, const QStringList &streamNames)
{
    m_readStream = readStream;
    m_streamNames = streamNames;
    m_error = BookFileError();
    QByteArray dirStream;
    if (!readStream(QStringLiteral("VBA/dir"), &dirStream) || !readStream(QStringLiteral("PROJECT"), &m_project)) {
        m_error = BookFileMessages::damagedVbaProject();
        return false;
    }
    // PROJECTwm is optional: a project without it names its modules in the
    // code page only.
    readStream(QStringLiteral("PROJECTwm"), &m_projectWm);
    if (!m_reader.read(dirStream, m_project)) {
        m_error = m_reader.error();
        return false;
    }
    VbaProjectReader::decompress(dirStream, &m_dir);
    return true;
}

int VbaProject::indexOf(const QString &name) const
{
    const QList<VbaProjectReader::Module> &all = modules();
    for (int i = 0; i < all.size(); ++i)
        if (all[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool VbaProject::source(int index, QByteArray *text) const
{
    text->clear();
    if (index < 0 || index >= modules().size() || !m_readStream)
        return false;
    const VbaProjectReader::Module &module = modules().at(index);
    QByteArray stream;
    if (!m_readStream(QStringLiteral("VBA/") + module.streamName, &stream) || module.textOffset > quint32(stream.size()))
        return false;
    return VbaProjectReader::decompress(stream.mid(module.textOffset), text);
}

bool VbaProject::holdsCode(const QByteArray &source)
{
    for (const QByteArray &line : source.split('\n')) {
        const QByteArray statement = line.trimmed();
        if (statement.isEmpty() || statement.startsWith("Attribute ") || statement.startsWith("Option "))
            continue;
        return true;
    }
    return false;
}

} // namespace quirn
