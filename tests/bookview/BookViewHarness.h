#pragma once

#include "BookImport.h"
#include "BookList.h"
#include "BookSaveDialog.h"
#include "CommonDialog.h"
#include "Globals.h"
#include "MessageBox.h"
#include "SettingsMigration.h"
#include "TestBooks.h"
#include "WarningSeam.h"
#include "WarningSetting.h"
#include "frmMain.h"

#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

// One loaded main window for a whole test process (so one office process
// serves every case), real fixture copies in a temporary folder, and every
// dialog scripted.
class BookViewHarness
{
public:
    static void Script()
    {
        MessageBox::SetTestMode(true);
        WarningSeam::SetTestMode(true);
        CommonDialog::setScripted(true);
        CommonDialog::resetScript();
        BookSaveDialog::setScripted(true);
        BookSaveDialog::resetScript();
    }

    static std::unique_ptr<frmMain> Window()
    {
        Script();
        SettingsMigration::DeleteAllSettings();
        auto window = std::make_unique<frmMain>();
        if (!window->Load())
            return nullptr;
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

    // Copies a fixture into `folder` (under `as` when given); the copy's path.
    static QString Copy(const QString &folder, const QString &fixture, const QString &as = QString())
    {
        return TestBooks::Copy(folder, fixture, as);
    }

    // Settings as a first start leaves them, with the three warnings off
    // (a case that wants one switches it on).
    static void FreshSettings()
    {
        SettingsMigration::DeleteAllSettings();
        for (const char *key : {"Warninng1", "Warninng2", "Warninng3"})
            WarningSetting::Write(QString::fromLatin1(key), QStringLiteral("00"));
    }

    // Drops the files on the book view, as from a file manager.
    static void Drop(frmMain &window, const QStringList &paths, const QPoint &at = QPoint(1, 1))
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        window.Import().Drop(data, at);
    }

    // Removes every book, unsaved sheet changes dropped, and forgets the
    // messages shown: the next case starts with an empty window.
    static void RemoveAllBooks(frmMain &window)
    {
        window.SheetsChanged = false;
        window.Books().SelectAll();
        if (window.Books().Count() > 0)
            window.Import().RemoveBooks();
        MessageBox::TakeShown();
    }

    static void MakeReadOnly(const QString &path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
};
