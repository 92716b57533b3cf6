#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// Books made on the spot for tests and benchmarks of bad input: well-formed
// but extreme (tens of thousands of sheets), or crafted to make a reader do
// far more work than the file is long. Nothing here is stored in the tree.
namespace HostileBooks {

// A BIFF8 workbook stream of `sheets` empty worksheets named "S1", "S2"...:
// just the records the book's reader needs.
QByteArray workbookStream(int sheets);
// The same with the sheets named as given (names other programs write: the
// same name twice, names differing only in case, "*" in a name), those at
// `hidden` (0-based) hidden. Names are written as 8-bit text.
QByteArray workbookStream(const QStringList &names, const QList<int> &hidden = {});

// A VBA compressed container holding `data` in literal-only chunks.
QByteArray literalContainer(const QByteArray &data);

// A VBA compressed container that expands to about `expandedBytes` bytes
// (every 4096 bytes from a chunk of six).
QByteArray expandingContainer(qint64 expandedBytes);

// The project information stream of a VBA project with one standard module,
// "Module1", compressed.
QByteArray smallVbaDir();

// A compound file at `path` holding the given streams ("A/B/c" paths, the
// storages made as needed). False when it cannot be written.
bool writeContainer(const QString &path, const QList<std::pair<QString, QByteArray>> &streams);

// A book of `sheets` empty worksheets.
bool writeBook(const QString &path, int sheets);
bool writeBook(const QString &path, const QStringList &names, const QList<int> &hidden = {});

// A book of one sheet whose VBA project information expands to about
// `expandedBytes` bytes.
bool writeVbaBomb(const QString &path, qint64 expandedBytes);

} // namespace HostileBooks
