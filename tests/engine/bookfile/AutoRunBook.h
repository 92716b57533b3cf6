#pragma once

#include <QString>

// A book whose VBA code runs as soon as a program that runs macros opens it:
// Workbook_Open (in ThisWorkbook) and Auto_Open (in Module1) each write a
// marker file. Made from a real book's VBA project with the modules' source
// replaced; nothing is stored in the tree.
namespace AutoRunBook {

// The marker files the code writes, for a given `markerBase`.
inline QString workbookOpenMarker(const QString &markerBase) { return markerBase + QStringLiteral(".workbook_open"); }
inline QString autoOpenMarker(const QString &markerBase) { return markerBase + QStringLiteral(".auto_open"); }

// Writes the book to `path`, its code writing the markers of `markerBase`
// (an ASCII path). `templateBook` is a book with a VBA project holding the
// modules ThisWorkbook and Module1. False, with `error` set, on failure.
bool write(const QString &path, const QString &markerBase, const QString &templateBook, QString *error);

} // namespace AutoRunBook
