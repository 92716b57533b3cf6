#pragma once

#include "CommonDialog.h"
#include "Globals.h"
#include "MessageBox.h"
#include "BookSaveDialog.h"
#include "SettingsMigration.h"
#include "WarningSeam.h"
#include "frmMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
        QDir().mkpath(folder);
        const QString target = folder + u'/' + (as.isEmpty() ? fixture : as);
        QFile::remove(target);
        if (!QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR) + u'/' + fixture, target))
            return QString();
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        return target;
    }

    static void MakeReadOnly(const QString &path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
};
