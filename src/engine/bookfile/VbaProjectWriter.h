#pragma once

#include "VbaProject.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace quirn {

// Edits of a VBA project, written as the streams that change: document
// modules added with their source text, the project information (the dir
// stream, PROJECT and PROJECTwm) updated to list them, and the compiled
// state dropped so that the host compiles the project again from source.
// Paths are relative to the project's storage, as VbaProject reads them.
class VbaProjectWriter
{
public:
    // The kinds of document a document module stands for.
    enum class Document { Worksheet, Chart, Workbook };

    struct Changes
    {
        QMap<QString, QByteArray> streams; // written whole
        QStringList dropped;               // removed
    };

    explicit VbaProjectWriter(const VbaProject &project);
    // A project of no module, for a book that has none: its information
    // (name, code page, references, protection) taken from `model`'s, as a
    // project copied with the code it serves.
    static VbaProjectWriter newProject(const VbaProject &model);

    // Whether a module of that name is in the project (ignoring case).
    bool hasModule(const QString &name) const;
    // `wanted` when no module has it, otherwise its stem numbered from 1
    // ("Sheet1" gives "Sheet2", "Sheet3", ...), the first that is free.
    QString freeModuleName(const QString &wanted) const;

    // Adds the document module `name` holding `source` (its attribute lines
    // included; VB_Name is set to `name`). False, with nothing added, when
    // the name or text cannot be written in the project's code page.
    bool addDocumentModule(const QString &name, const QString &source);
    // The source of an empty document module for a sheet of that kind.
    static QString emptyDocumentSource(const QString &name, Document document);

    // Takes back the module `name` this writer added, if it did.
    void removeAdded(const QString &name);
    // Removes the module `name` from the project: a sheet moved to another
    // book takes its document module along.
    void removeModule(const QString &name);
    // The source of a module this writer added, or null.
    QString addedSource(const QString &name) const;
    bool isEdited() const { return !m_added.isEmpty() || !m_removed.isEmpty(); }
    bool isNew() const { return m_new; }

    Changes changes() const;

private:
    struct Added
    {
        QString name;
        QByteArray encodedName;
        QByteArray source; // in the project's code page
        QString text;
    };

    VbaProjectWriter() = default;
    QByteArray withoutRemovedModules() const;
    QByteArray directory() const;
    QByteArray projectStream() const;
    QByteArray projectWmStream() const;

    // The project as read (or as made new).
    QByteArray m_dir, m_project, m_projectWm;
    int m_codePage = 1252;
    QStringList m_streams;
    QList<VbaProjectReader::Module> m_modules;
    bool m_new = false;

    QStringList m_names; // every module's, in project order
    QList<Added> m_added;
    // Modules of the project as read that are removed: name, stream.
    QList<std::pair<QString, QString>> m_removed;
};

} // namespace quirn
