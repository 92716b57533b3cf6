// Saving a book respects the file it replaces: a book nobody may write stays
// unwritten (also for a superuser), the mode, owner and group stay, and what
// a killed save left beside the book goes at the next save.

#include "BookFile.h"
#include "TestBooks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using quirn::BookFile;
using quirn::BookFileError;

namespace {

struct stat statOf(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

qint64 endedProcessId()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace

class tst_BookSave : public QObject
{
    Q_OBJECT

private slots:
    void aBookNobodyMayWriteIsRefused();
    void modeOwnerAndGroupAreKept();
    void aKilledSavesLeftoverGoesAtTheNextSave();

private:
    QString copyOf(const QString &name, const QString &as);
    QTemporaryDir m_dir;
};

QString tst_BookSave::copyOf(const QString &name, const QString &as)
{
    return TestBooks::Copy(m_dir.path(), name, as);
}

void tst_BookSave::aBookNobodyMayWriteIsRefused()
{
    const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("read only.xls"));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const QByteArray before = TestBooks::Digest(path);
    BookFile book;
    QVERIFY(!book.open(path));
    QVERIFY(!book.renameSheet(0, QStringLiteral("Renamed")));

    const BookFileError error = book.save();
    QCOMPARE(error.code, BookFileError::Code::ReadOnly);
    QCOMPARE(error.message, QStringLiteral("\"read only.xls\" は読み取り専用ﾌｧｲﾙです。"));
    QCOMPARE(TestBooks::Digest(path), before);
    QCOMPARE(statOf(path).st_mode & 07777, mode_t(0444));
    QVERIFY(book.isModified());
    // Nothing was left beside it.
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("read only")),
             QStringList{QStringLiteral("read only.xls")});
}

void tst_BookSave::modeOwnerAndGroupAreKept()
{
    const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("shared.xls"));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 02640), 0);
    // A superuser saves another user's book: it stays that user's.
    const bool superuser = ::geteuid() == 0;
    if (superuser)
        QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    const struct stat before = statOf(path);

    BookFile book;
    QVERIFY(!book.open(path));
    QVERIFY(!book.renameSheet(0, QStringLiteral("Renamed")));
    const BookFileError error = book.save();
    QVERIFY2(!error, qPrintable(error.message));

    const struct stat after = statOf(path);
    QVERIFY(after.st_ino != before.st_ino); // replaced, not written in place
    QCOMPARE(after.st_mode & 07777, before.st_mode & 07777);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    BookFile reread;
    QVERIFY(!reread.open(path));
    QCOMPARE(reread.sheet(0).name, QStringLiteral("Renamed"));
}

void tst_BookSave::aKilledSavesLeftoverGoesAtTheNextSave()
{
    const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("left.xls"));
    const QString killed = m_dir.filePath(QStringLiteral(".left.xls.~%1-0badf00d").arg(endedProcessId()));
    // A save in progress in another program instance that still runs.
    const QString running = m_dir.filePath(QStringLiteral(".left.xls.~%1-0c0ffee0").arg(::getppid()));
    const QString unrelated = m_dir.filePath(QStringLiteral(".left.xls.notes"));
    for (const QString &file : {killed, running, unrelated}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("half a book");
    }

    BookFile book;
    QVERIFY(!book.open(path));
    QVERIFY(!book.renameSheet(0, QStringLiteral("Renamed")));
    QVERIFY(!book.save());
    QVERIFY(!QFileInfo::exists(killed));
    QVERIFY(QFileInfo::exists(running));
    QVERIFY(QFileInfo::exists(unrelated));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("left.xls")).size(), 3);
}

QTEST_GUILESS_MAIN(tst_BookSave)
#include "tst_booksave.moc"
