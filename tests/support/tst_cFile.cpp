#include "cFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_cFile : public QObject
{
    Q_OBJECT

private slots:
    void pathParts_data();
    void pathParts();
    void pathName_data();
    void pathName();
    void joinAndSeparators();
    void omitPathName_data();
    void omitPathName();
    void attributes();
    void existence();
    void makeDirs();
    void temporaryFiles();
    void fileLock();
    void fileType();
    void executable();

private:
    QString writeFile(const QString &path, const QByteArray &contents = QByteArray());
    QTemporaryDir m_dir;
};

QString tst_cFile::writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void tst_cFile::pathParts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("full path") << "/home/user/Book1.xls" << "Book1.xls" << "XLS";
    QTest::newRow("bare name") << "Book1.xls" << "Book1.xls" << "XLS";
    QTest::newRow("in the root") << "/b.Xls" << "b.Xls" << "XLS";
    QTest::newRow("colon is part of a name") << "/data/a:b.xls" << "a:b.xls" << "XLS";
    QTest::newRow("dotted folder, plain file") << "/data/v1.2/readme" << "readme" << "";
    QTest::newRow("two dots") << "/data/a.tar.gz" << "a.tar.gz" << "GZ";
    QTest::newRow("trailing dot") << "/data/a." << "a." << "";
    QTest::newRow("hidden file") << "/home/u/.profile" << ".profile" << "PROFILE";
    QTest::newRow("folder with separator") << "/home/user/" << "" << "";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("japanese") << u"/共有/売上 ﾃﾞｰﾀ.xls"_qs << u"売上 ﾃﾞｰﾀ.xls"_qs << "XLS";
}

void tst_cFile::pathParts()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QCOMPARE(cFile::GetFileName(path), name);
    QCOMPARE(cFile::Extension(path), extension);
}

void tst_cFile::pathName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("dir");
    QTest::newRow("file in a folder") << "/home/user/b.xls" << "/home/user";
    QTest::newRow("file in the root") << "/b.xls" << "/";
    QTest::newRow("folder with separator") << "/home/user/" << "/home/user";
    QTest::newRow("relative folder") << "dir/b.xls" << "dir";
    QTest::newRow("doubled separator") << "/a//b.xls" << "/a";
    QTest::newRow("bare name") << "b.xls" << QDir::currentPath();
}

void tst_cFile::pathName()
{
    QFETCH(QString, path);
    QFETCH(QString, dir);
    QCOMPARE(cFile::GetPathName(path), dir);
}

void tst_cFile::joinAndSeparators()
{
    QCOMPARE(cFile::MakePath(u"/"_qs, u"b.xls"_qs), u"/b.xls"_qs);
    QCOMPARE(cFile::MakePath(u"/home"_qs, u"b.xls"_qs), u"/home/b.xls"_qs);
    QCOMPARE(cFile::MakePath(u"/home/"_qs, u"b.xls"_qs), u"/home/b.xls"_qs);
    QCOMPARE(cFile::MakePath(QString(), u"b.xls"_qs), u"b.xls"_qs);
    QCOMPARE(cFile::MakePath(u"/home"_qs, QString()), u"/home"_qs);
    QCOMPARE(cFile::MakePath(QString(), QString()), QString());

    QCOMPARE(cFile::AddDirSep(u"/home  "_qs), u"/home/"_qs);
    QCOMPARE(cFile::AddDirSep(u"/home/"_qs), u"/home/"_qs);
    QCOMPARE(cFile::RemoveDirSep(u" /home/ "_qs), u"/home"_qs);
    QCOMPARE(cFile::RemoveDirSep(u"/home"_qs), u"/home"_qs);
    QCOMPARE(cFile::RemoveDirSep(u"/"_qs), u"/"_qs);
    QCOMPARE(cFile::RemoveDirSep(QString()), QString());

    QCOMPARE(cFile::AddQuotesToFN(u"/my books/a.xls"_qs), u"\"/my books/a.xls\""_qs);
    QCOMPARE(cFile::AddQuotesToFN(u"a,b.xls"_qs), u"\"a,b.xls\""_qs);
    QCOMPARE(cFile::AddQuotesToFN(u"/books/a.xls"_qs), u"/books/a.xls"_qs);
    QCOMPARE(cFile::StripQuotes(u"\"a b\""_qs), u"a b"_qs);
    QCOMPARE(cFile::StripQuotes(u"\"a b"_qs), u"a b"_qs);
    QCOMPARE(cFile::StripQuotes(u"a b"_qs), u"a b"_qs);
    QCOMPARE(cFile::StripQuotes(u"\""_qs), QString());
}

void tst_cFile::omitPathName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one one-letter folder") << "/a/book.xls" << "/a/book.xls";
    QTest::newRow("root") << "/book.xls" << "/book.xls";
    QTest::newRow("bare name") << "book.xls" << "book.xls";
    QTest::newRow("several folders") << "/home/user/docs/book.xls" << "/.../docs/book.xls";
    QTest::newRow("not shorter stays") << "/ab/cd/book.xls" << "/ab/cd/book.xls";
    QTest::newRow("ampersands doubled") << "/home/user/R&D/a&b.xls" << "/.../R&&D/a&&b.xls";
    QTest::newRow("ampersand in a short path") << "/a/b&c.xls" << "/a/b&&c.xls";
    QTest::newRow("folder named like the file") << "/data/book.xls.old/x/book.xls" << "/.../x/book.xls";
    QTest::newRow("relative") << "one/two/three/book.xls" << ".../three/book.xls";
    QTest::newRow("japanese") << u"/home/user/共有ﾌｫﾙﾀﾞ/売上.xls"_qs << u"/.../共有ﾌｫﾙﾀﾞ/売上.xls"_qs;
}

void tst_cFile::omitPathName()
{
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QCOMPARE(cFile::OmitPathName(path), shown);
}

void tst_cFile::attributes()
{
    const QString plain = writeFile(m_dir.filePath(u"plain.xls"_qs));
    const QString readOnly = writeFile(m_dir.filePath(u"locked.xls"_qs));
    const QString hidden = writeFile(m_dir.filePath(u".hidden.xls"_qs));
    const QString hiddenReadOnly = writeFile(m_dir.filePath(u".both.xls"_qs));
    const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(readOnly, readable));
    QVERIFY(QFile::setPermissions(hiddenReadOnly, readable));

    QCOMPARE(cFile::AttribString(plain), u"----"_qs);
    QCOMPARE(cFile::AttribString(readOnly), u"r---"_qs);
    QCOMPARE(cFile::AttribString(hidden), u"--h-"_qs);
    QCOMPARE(cFile::AttribString(hiddenReadOnly), u"r-h-"_qs);
    QCOMPARE(cFile::AttribString(m_dir.filePath(u"missing.xls"_qs)), QString());
    QCOMPARE(cFile::AttribString(QString()), QString());
}

void tst_cFile::existence()
{
    const QString file = writeFile(m_dir.filePath(u"exists.xls"_qs));
    const QString folder = m_dir.filePath(u"folder with space"_qs);
    QVERIFY(QDir().mkpath(folder));

    QVERIFY(cFile::FileExists(file));
    QVERIFY(cFile::FileExists(file + u'/'));
    QVERIFY(!cFile::FileExists(folder));
    QVERIFY(!cFile::FileExists(m_dir.filePath(u"missing.xls"_qs)));
    QVERIFY(!cFile::FileExists(QString()));

    QVERIFY(cFile::DirExists(folder));
    QVERIFY(cFile::DirExists(folder + u'/'));
    QVERIFY(!cFile::DirExists(file));
    QVERIFY(!cFile::DirExists(m_dir.filePath(u"missing"_qs)));
    QVERIFY(!cFile::DirExists(QString()));

    QVERIFY(cFile::CheckExistFile(file));
    QVERIFY(cFile::CheckExistFile(u"sh"_qs)); // found along PATH
    QVERIFY(!cFile::CheckExistFile(u"no-such-program-here"_qs));
    QVERIFY(!cFile::CheckExistFile(m_dir.filePath(u"missing.xls"_qs)));

    QCOMPARE(cFile::GetDosShortPathName(folder), folder);
    QCOMPARE(cFile::GetDosShortPathName(u"/no such/file"_qs), u"\"/no such/file\""_qs);
    QCOMPARE(cFile::FileVersion(file), QString());
}

void tst_cFile::makeDirs()
{
    const QString nested = m_dir.filePath(u"a/b/c"_qs);
    QVERIFY(cFile::MakeDirs(nested));
    QVERIFY(QFileInfo(nested).isDir());
    QVERIFY(cFile::MakeDirs(nested)); // already there
    QVERIFY(!cFile::MakeDirs(QString()));
    const QString file = writeFile(m_dir.filePath(u"blocker"_qs));
    QVERIFY(!cFile::MakeDirs(file + u"/below"_qs));
}

void tst_cFile::temporaryFiles()
{
    QVERIFY(cFile::TempPath().endsWith(u'/'));
    QCOMPARE(QDir(cFile::TempPath()).absolutePath(), QDir(QDir::tempPath()).absolutePath());

    const QString first = cFile::TempFile(QString());
    const QString second = cFile::TempFile(u".xls"_qs);
    const QString response = cFile::ResponceFile();
    for (const QString &path : {first, second, response}) {
        const QFileInfo info(path);
        QVERIFY2(info.isFile(), qPrintable(path));
        QCOMPARE(info.size(), 0);
        QCOMPARE(QDir(info.absolutePath()).absolutePath(), QDir(QDir::tempPath()).absolutePath());
    }
    QVERIFY(QFileInfo(first).fileName().startsWith(u"TMP"_qs));
    QVERIFY(first.endsWith(u".Lzh"_qs));
    QVERIFY(QFileInfo(second).fileName().startsWith(u"TMP"_qs));
    QVERIFY(second.endsWith(u".xls"_qs));
    QVERIFY(QFileInfo(response).fileName().startsWith(u"~VB"_qs));
    const QString another = cFile::TempFile(QString());
    QVERIFY(!another.isEmpty() && another != first);
    for (const QString &path : {first, second, response, another})
        QFile::remove(path);
}

void tst_cFile::fileLock()
{
    const QString file = writeFile(m_dir.filePath(u"shared.xls"_qs), "data");
    const qint16 number = cFile::FileLock(file);
    QVERIFY(number != 0);
    QCOMPARE(cFile::FileLock(file), qint16(0)); // held by the first lock
    cFile::FileUnlock(number);
    const qint16 again = cFile::FileLock(file);
    QVERIFY(again != 0);
    cFile::FileUnlock(again);
    cFile::FileUnlock(0);
    QCOMPARE(cFile::FileLock(m_dir.filePath(u"missing.xls"_qs)), qint16(0));
    QCOMPARE(cFile::FileLock(m_dir.path()), qint16(0));
    QFile readBack(file);
    QVERIFY(readBack.open(QIODevice::ReadOnly));
    QCOMPARE(readBack.readAll(), QByteArray("data")); // locking leaves the contents alone
}

void tst_cFile::fileType()
{
    const QString excel = cFile::GetFileType(u"/books/Book1.xls"_qs);
    QVERIFY(!excel.isEmpty());
    QVERIFY2(!excel.endsWith(u" ﾌｧｲﾙ"_qs), qPrintable(excel));
    QCOMPARE(cFile::GetFileType(u"/books/data.zzqq"_qs), u"ZZQQ ﾌｧｲﾙ"_qs);
}

void tst_cFile::executable()
{
    // A desktop of our own: its associations and entries in a fresh folder.
    QTemporaryDir home;
    const QString config = home.filePath(u"config"_qs);
    const QString apps = home.filePath(u"data/applications"_qs);
    QVERIFY(QDir().mkpath(config));
    QVERIFY(QDir().mkpath(apps));
    writeFile(config + u"/mimeapps.list"_qs,
              "[Added Associations]\n"
              "text/plain=quirn-added.desktop;\n"
              "[Default Applications]\n"
              "text/plain=quirn-viewer.desktop\n"
              "application/vnd.ms-excel=quirn-absent.desktop;quirn-sheet.desktop;\n"
              "text/html=quirn-web.desktop\n");
    writeFile(apps + u"/quirn-viewer.desktop"_qs,
              "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer --plain\n");
    writeFile(apps + u"/quirn-added.desktop"_qs,
              "[Desktop Entry]\nType=Application\nName=Added\nExec=added %f\n");
    writeFile(apps + u"/quirn-sheet.desktop"_qs,
              "[Desktop Entry]\nType=Application\nName=Sheet\nExec=sheet %U --icon %i\n"
              "[Desktop Action New]\nExec=sheet --new\n");
    writeFile(apps + u"/quirn-web.desktop"_qs,
              "[Desktop Entry]\nType=Application\nName=Web\nExec=web\\s--zoom=100%% %f\n");
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", home.filePath(u"no-config"_qs).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(u"data"_qs).toLocal8Bit());
    // The system's MIME types, none of its applications (a desktop-file-utils
    // install leaves a system-wide mimeinfo.cache).
    const QByteArray systemDataDirs = qgetenv("XDG_DATA_DIRS");
    QVERIFY(QDir().mkpath(home.filePath(u"system"_qs)));
    QVERIFY(QFile::link(u"/usr/share/mime"_qs, home.filePath(u"system/mime"_qs)));
    qputenv("XDG_DATA_DIRS", home.filePath(u"system"_qs).toLocal8Bit());

    QCOMPARE(cFile::Executable(u"/my books/notes.txt"_qs), u"viewer --plain \"/my books/notes.txt\""_qs);
    QCOMPARE(cFile::Executable(u"/books/Book1.xls"_qs), u"sheet \"/books/Book1.xls\" --icon"_qs);
    QCOMPARE(cFile::Executable(u"/books/help.html"_qs), u"web --zoom=100% \"/books/help.html\""_qs);
    // A type without a handler of its own takes its parent type's.
    QCOMPARE(cFile::Executable(u"/books/list.csv"_qs), u"viewer --plain \"/books/list.csv\""_qs);
    QCOMPARE(cFile::Executable(u"/books/data.zzqq"_qs), QString());
    QCOMPARE(cFile::Executable(QString()), QString());

    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_DIRS");
    qunsetenv("XDG_DATA_HOME");
    if (systemDataDirs.isEmpty())
        qunsetenv("XDG_DATA_DIRS");
    else
        qputenv("XDG_DATA_DIRS", systemDataDirs);
}

QTEST_GUILESS_MAIN(tst_cFile)
#include "tst_cFile.moc"
