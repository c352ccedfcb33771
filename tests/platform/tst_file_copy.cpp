// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_copy.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <memory>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumaport;
using namespace lumaport::test;

namespace {

QByteArray binaryBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

struct stat statOf(const QString& path)
{
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

mode_t modeOf(const QString& path)
{
    return statOf(path).st_mode & 07777;
}

} // namespace

class TestFileCopy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void copiesEveryByteToANewFile_data();
    void copiesEveryByteToANewFile();
    void replacesAnExistingFileKeepingItsMode();
    void followsALinkAtTheDestination();
    void copyOntoItselfKeepsTheFile_data();
    void copyOntoItselfKeepsTheFile();
    void failureLosesNothing_data();
    void failureLosesNothing();
    void failureMidwayKeepsTheOldDestination();
    void fifoAsSourceFailsAtOnce();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFileCopy::initTestCase()
{
    ::umask(022);
}

void TestFileCopy::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestFileCopy::copiesEveryByteToANewFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("binary") << binaryBytes(3 * 1024 * 1024 + 17);
    QTest::newRow("empty") << QByteArray();
}

void TestFileCopy::copiesEveryByteToANewFile()
{
    QFETCH(QByteArray, bytes);
    writeFile(path("source.jpg"), bytes);
    ::chmod(QFile::encodeName(path("source.jpg")).constData(), 0600);

    QString error;
    QVERIFY2(copyFileReplacing(path("source.jpg"), path("copy.jpg"), &error), qPrintable(error));
    QCOMPARE(readFile(path("copy.jpg")), bytes);
    QCOMPARE(modeOf(path("copy.jpg")), mode_t{0644});
    QCOMPARE(entries(), QStringList({"copy.jpg", "source.jpg"}));
}

void TestFileCopy::replacesAnExistingFileKeepingItsMode()
{
    writeFile(path("source.jpg"), "new");
    writeFile(path("target.jpg"), "a longer old content");
    ::chmod(QFile::encodeName(path("target.jpg")).constData(), 0640);

    QString error;
    QVERIFY2(copyFileReplacing(path("source.jpg"), path("target.jpg"), &error), qPrintable(error));
    QCOMPARE(readFile(path("target.jpg")), QByteArray("new"));
    QCOMPARE(modeOf(path("target.jpg")), mode_t{0640});
    QCOMPARE(entries(), QStringList({"source.jpg", "target.jpg"}));
}

void TestFileCopy::followsALinkAtTheDestination()
{
    writeFile(path("source.jpg"), "new");
    writeFile(path("real.jpg"), "old");
    QVERIFY(QFile::link(path("real.jpg"), path("link.jpg")));

    QVERIFY(copyFileReplacing(path("source.jpg"), path("link.jpg")));
    QVERIFY(QFileInfo(path("link.jpg")).isSymLink());
    QCOMPARE(readFile(path("real.jpg")), QByteArray("new"));
}

void TestFileCopy::copyOntoItselfKeepsTheFile_data()
{
    QTest::addColumn<QString>("other");
    QTest::newRow("same path") << "a/x.jpg";
    QTest::newRow("other spelling") << "a/../a/./x.jpg";
    QTest::newRow("hard link") << "hard.jpg";
    QTest::newRow("symbolic link") << "soft.jpg";
}

void TestFileCopy::copyOntoItselfKeepsTheFile()
{
    QFETCH(QString, other);
    QVERIFY(QDir(m_dir->path()).mkdir("a"));
    writeFile(path("a/x.jpg"), "picture");
    QCOMPARE(::link(QFile::encodeName(path("a/x.jpg")).constData(), QFile::encodeName(path("hard.jpg")).constData()),
             0);
    QVERIFY(QFile::link(path("a/x.jpg"), path("soft.jpg")));
    const struct stat before = statOf(path("a/x.jpg"));

    QString error;
    QVERIFY2(copyFileReplacing(path("a/x.jpg"), path(other), &error), qPrintable(error));
    QCOMPARE(readFile(path("a/x.jpg")), QByteArray("picture"));
    // Not even rewritten: the same file, still shared with its hard link.
    QCOMPARE(statOf(path("a/x.jpg")).st_ino, before.st_ino);
    QCOMPARE(statOf(path("a/x.jpg")).st_nlink, nlink_t{2});
    QCOMPARE(QDir(path("a")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"x.jpg"});
}

void TestFileCopy::failureLosesNothing_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    // Root passes permission bits, so only causes that stop root too.
    QTest::newRow("destination folder missing") << "source.jpg"
                                                << "missing/copy.jpg";
    QTest::newRow("destination folder is a file") << "source.jpg"
                                                  << "old.jpg/copy.jpg";
    QTest::newRow("destination is a folder") << "source.jpg"
                                             << "folder";
    QTest::newRow("source vanished") << "gone.jpg"
                                     << "old.jpg";
    QTest::newRow("source is a folder") << "folder"
                                        << "old.jpg";
    QTest::newRow("source is a device") << "/dev/zero"
                                        << "old.jpg";
    QTest::newRow("no source") << ""
                               << "old.jpg";
    QTest::newRow("no destination") << "source.jpg"
                                    << "";
}

void TestFileCopy::failureLosesNothing()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    writeFile(path("source.jpg"), "new");
    writeFile(path("old.jpg"), "old");
    QVERIFY(QDir(m_dir->path()).mkdir("folder"));
    const QStringList before = entries();
    const auto resolve = [this](const QString& name) {
        return name.isEmpty() || QDir::isAbsolutePath(name) ? name : path(name);
    };

    QString error;
    QVERIFY(!copyFileReplacing(resolve(source), resolve(destination), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(path("old.jpg")), QByteArray("old"));
    QCOMPARE(entries(), before);
}

void TestFileCopy::failureMidwayKeepsTheOldDestination()
{
    // A file size limit binds root as well, and makes the write fail once part of the data is written.
    writeFile(path("source.jpg"), binaryBytes(1024 * 1024));
    writeFile(path("old.jpg"), "old");
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool copied = copyFileReplacing(path("source.jpg"), path("old.jpg"), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!copied);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(path("old.jpg")), QByteArray("old"));
    QCOMPARE(entries(), QStringList({"old.jpg", "source.jpg"}));
}

void TestFileCopy::fifoAsSourceFailsAtOnce()
{
    const QByteArray fifo = QFile::encodeName(path("pipe.jpg"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    auto copy =
        std::async(std::launch::async, [this] { return copyFileReplacing(path("pipe.jpg"), path("copy.jpg")); });
    if (copy.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Lets a reader blocked on the FIFO go, so the thread can end.
        ::close(::open(fifo.constData(), O_WRONLY | O_NONBLOCK));
        copy.wait();
        QFAIL("copying from a FIFO blocked");
    }
    QVERIFY(!copy.get());
    QVERIFY(!QFile::exists(path("copy.jpg")));
}

QTEST_GUILESS_MAIN(TestFileCopy)
#include "tst_file_copy.moc"
