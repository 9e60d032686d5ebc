#include "TestFiles.h"
#include "platform/FileCopy.h"

#include <QTest>

#include <cerrno>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using FileCopy::Status;
using namespace TestFiles;

namespace {

bool makeDir(const QByteArray &path)
{
    return ::mkdir(path.constData(), 0755) == 0;
}

// The access time differs, so a copy that mixes the two up shows.
bool setTimes(const QByteArray &path, qint64 seconds, qint64 nanoseconds)
{
    const timespec times[2] = {{time_t(seconds + 1), 500}, {time_t(seconds), long(nanoseconds)}};
    return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

class Mount
{
public:
    Mount(const QByteArray &where, const char *options) : m_where(where)
    {
        m_mounted = ::mount("tmpfs", where.constData(), "tmpfs", 0, options) == 0;
    }
    ~Mount()
    {
        if (m_mounted)
            ::umount2(m_where.constData(), MNT_DETACH);
    }
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;
    bool mounted() const { return m_mounted; }

private:
    QByteArray m_where;
    bool m_mounted = false;
};

FileCopy::Result copy(const QByteArray &source, const QByteArray &folder, bool anonymous = true)
{
    FileCopy::Control control;
    FileCopy::Options options;
    options.anonymousTemp = anonymous;
    return FileCopy::copyIntoFolder(source, folder, control, options);
}

} // namespace

class TestFileCopy : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void symlinkSourceIsCopiedAsFile();
    void symlinkTargetIsReplaced();
    void sameFileIsRefused_data();
    void sameFileIsRefused();
    void rejected_data();
    void rejected();
    void writeFailureKeepsTarget_data();
    void writeFailureKeepsTarget();
    void fullDiskKeepsTarget_data();
    void fullDiskKeepsTarget();
    void cancelKeepsTarget_data();
    void cancelKeepsTarget();
};

void TestFileCopy::roundTrip_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("expectedMode");
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<qint64>("nanoseconds");
    QTest::addColumn<bool>("deep");
    QTest::addColumn<bool>("existingTarget");
    QTest::addColumn<bool>("anonymous");

    const QByteArray plain("plain.txt");
    const qint64 now = 1700000000;
    const int big = (17 << 20) + 3; // several copy chunks and an odd tail
    // clang-format off
    QTest::newRow("anonymous temp") << plain << 5000 << 0640 << 0640 << now << qint64(123456789) << false << false << true;
    QTest::newRow("named temp")     << plain << 5000 << 0640 << 0640 << now << qint64(123456789) << false << false << false;
    QTest::newRow("1970 time")      << plain << 10 << 0644 << 0644 << qint64(12345) << qint64(1) << false << false << true;
    QTest::newRow("mode 0755")      << plain << 10 << 0755 << 0755 << now << qint64(999999999) << false << false << true;
    QTest::newRow("setuid dropped") << plain << 10 << 04755 << 0755 << now << qint64(0) << false << false << false;
    QTest::newRow("empty")          << plain << 0 << 0600 << 0600 << now << qint64(5) << false << false << true;
    QTest::newRow("gbk name")       << QByteArray("\xd6\xd0\xce\xc4.txt") << 10 << 0644 << 0644 << now << qint64(7) << false << false << true;
    QTest::newRow("long path")      << QByteArray(200, 'f') << 10 << 0644 << 0644 << now << qint64(7) << true << false << false;
    QTest::newRow("replace anonymous") << plain << 300 << 0644 << 0644 << now << qint64(42) << false << true << true;
    QTest::newRow("replace named")  << plain << 300 << 0644 << 0644 << now << qint64(42) << false << true << false;
    QTest::newRow("big anonymous")  << plain << big << 0644 << 0644 << now << qint64(3) << false << true << true;
    QTest::newRow("big named")      << plain << big << 0644 << 0644 << now << qint64(3) << false << false << false;
    // clang-format on
}

void TestFileCopy::roundTrip()
{
    QFETCH(QByteArray, name);
    QFETCH(int, size);
    QFETCH(int, mode);
    QFETCH(int, expectedMode);
    QFETCH(qint64, seconds);
    QFETCH(qint64, nanoseconds);
    QFETCH(bool, deep);
    QFETCH(bool, existingTarget);
    QFETCH(bool, anonymous);

    Sandbox box;
    QByteArray sourceDir = box.path("src");
    QByteArray folder = box.path("dst");
    QVERIFY(makeDir(sourceDir));
    QVERIFY(makeDir(folder));
    if (deep) {
        for (char c : {'a', 'b'}) {
            sourceDir += '/' + QByteArray(100, c);
            folder += '/' + QByteArray(100, char(c + 2));
            QVERIFY(makeDir(sourceDir));
            QVERIFY(makeDir(folder));
        }
    }
    const QByteArray source = sourceDir + '/' + name;
    const QByteArray target = folder + '/' + name;
    QVERIFY(!deep || target.size() > 300);

    const QByteArray content = pattern(size);
    QVERIFY(write(source, content, mode_t(mode)));
    QVERIFY(setTimes(source, seconds, nanoseconds));
    if (existingTarget)
        QVERIFY(write(target, pattern(size + 4096, 'x')));

    FileCopy::Control control;
    FileCopy::Options options;
    options.anonymousTemp = anonymous;
    const FileCopy::Result result = FileCopy::copyIntoFolder(source, folder, control, options);
    QVERIFY2(result.ok(), qPrintable(result.message));
    QVERIFY(result.message.isEmpty());
    QCOMPARE(result.errorCode, 0);
    QCOMPARE(control.bytesTotal.load(), qint64(size));
    QCOMPARE(control.bytesDone.load(), qint64(size));

    struct stat st = {};
    QVERIFY(::lstat(target.constData(), &st) == 0);
    QVERIFY(S_ISREG(st.st_mode));
    QCOMPARE(int(st.st_mode & 07777), expectedMode);
    QCOMPARE(qint64(st.st_mtim.tv_sec), seconds);
    QCOMPARE(qint64(st.st_mtim.tv_nsec), nanoseconds);
    QVERIFY(read(target) == content);
    QCOMPARE(listing(folder), QList<QByteArray>{name});
    QVERIFY(read(source) == content);
}

void TestFileCopy::symlinkSourceIsCopiedAsFile()
{
    Sandbox box;
    QVERIFY(makeDir(box.path("src")));
    QVERIFY(makeDir(box.path("dst")));
    QVERIFY(write(box.path("src/real.txt"), "real content"));
    QVERIFY(::symlink("real.txt", box.path("src/link.txt").constData()) == 0);

    const FileCopy::Result result = copy(box.path("src/link.txt"), box.path("dst"));
    QVERIFY2(result.ok(), qPrintable(result.message));
    struct stat st = {};
    QVERIFY(::lstat(box.path("dst/link.txt").constData(), &st) == 0);
    QVERIFY(S_ISREG(st.st_mode));
    QCOMPARE(read(box.path("dst/link.txt")), QByteArray("real content"));
}

void TestFileCopy::symlinkTargetIsReplaced()
{
    Sandbox box;
    QVERIFY(makeDir(box.path("src")));
    QVERIFY(makeDir(box.path("dst")));
    QVERIFY(write(box.path("src/a.txt"), "new content"));
    QVERIFY(write(box.path("victim.txt"), "must not change"));
    QVERIFY(::symlink(box.path("victim.txt").constData(), box.path("dst/a.txt").constData()) == 0);

    const FileCopy::Result result = copy(box.path("src/a.txt"), box.path("dst"));
    QVERIFY2(result.ok(), qPrintable(result.message));
    struct stat st = {};
    QVERIFY(::lstat(box.path("dst/a.txt").constData(), &st) == 0);
    QVERIFY(S_ISREG(st.st_mode));
    QCOMPARE(read(box.path("dst/a.txt")), QByteArray("new content"));
    QCOMPARE(read(box.path("victim.txt")), QByteArray("must not change"));
}

enum class SameFile
{
    SamePath,
    SymlinkedFolder,
    HardLink,
    SourceLinkInFolder
};

void TestFileCopy::sameFileIsRefused_data()
{
    QTest::addColumn<SameFile>("kind");
    QTest::newRow("same path") << SameFile::SamePath;
    QTest::newRow("folder through a symlink") << SameFile::SymlinkedFolder;
    QTest::newRow("hard link at target") << SameFile::HardLink;
    QTest::newRow("source is a link in the folder") << SameFile::SourceLinkInFolder;
}

void TestFileCopy::sameFileIsRefused()
{
    QFETCH(SameFile, kind);
    Sandbox box;
    QVERIFY(makeDir(box.path("src")));
    QVERIFY(makeDir(box.path("dst")));
    const QByteArray original = box.path("src/a.txt");
    QVERIFY(write(original, "original", 0640));
    QVERIFY(setTimes(original, 1600000000, 5));

    QByteArray source = original;
    QByteArray folder = box.path("dst");
    switch (kind) {
    case SameFile::SamePath:
        folder = box.path("src");
        break;
    case SameFile::SymlinkedFolder:
        QVERIFY(::symlink(box.path("src").constData(), box.path("alias").constData()) == 0);
        folder = box.path("alias");
        break;
    case SameFile::HardLink:
        QVERIFY(::link(original.constData(), box.path("dst/a.txt").constData()) == 0);
        break;
    case SameFile::SourceLinkInFolder:
        QVERIFY(::symlink(original.constData(), box.path("dst/a.txt").constData()) == 0);
        source = box.path("dst/a.txt");
        break;
    }
    const QList<QByteArray> before = listing(folder);

    const FileCopy::Result result = copy(source, folder);
    QCOMPARE(int(result.status), int(Status::Failed));
    QCOMPARE(result.message, FileCopy::sameFileMessage());
    QCOMPARE(read(original), QByteArray("original"));
    struct stat st = {};
    QVERIFY(::stat(original.constData(), &st) == 0);
    QCOMPARE(qint64(st.st_mtim.tv_sec), qint64(1600000000));
    QCOMPARE(qint64(st.st_mtim.tv_nsec), qint64(5));
    QCOMPARE(listing(folder), before);
}

void TestFileCopy::rejected_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QString>("message");

    const QString notRegular = QStringLiteral("不是普通文件");
    QTest::newRow("fifo") << QByteArray("src/pipe") << QByteArray("dst") << notRegular;
    QTest::newRow("folder as source") << QByteArray("src/sub") << QByteArray("dst") << notRegular;
    QTest::newRow("missing source")
        << QByteArray("src/none") << QByteArray("dst") << QStringLiteral("源文件不存在");
    QTest::newRow("missing folder")
        << QByteArray("src/a.txt") << QByteArray("nowhere") << QStringLiteral("保存位置不存在");
    QTest::newRow("file as folder")
        << QByteArray("src/a.txt") << QByteArray("src/a.txt") << QStringLiteral("保存位置不存在");
    QTest::newRow("folder at target")
        << QByteArray("src/a.txt") << QByteArray("occupied") << QStringLiteral("文件夹");
}

void TestFileCopy::rejected()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, folder);
    QFETCH(QString, message);

    Sandbox box;
    for (const char *dir : {"src", "src/sub", "dst", "occupied", "occupied/a.txt"})
        QVERIFY(makeDir(box.path(dir)));
    QVERIFY(write(box.path("src/a.txt"), "data"));
    QVERIFY(::mkfifo(box.path("src/pipe").constData(), 0644) == 0);

    const FileCopy::Result result = copy(box.path(source), box.path(folder));
    QCOMPARE(int(result.status), int(Status::Failed));
    QVERIFY2(result.message.contains(message), qPrintable(result.message));
    QCOMPARE(listing(box.path("dst")), QList<QByteArray>());
    QCOMPARE(listing(box.path("occupied")), QList<QByteArray>{"a.txt"});
    QCOMPARE(listing(box.path("occupied/a.txt")), QList<QByteArray>());
}

void TestFileCopy::writeFailureKeepsTarget_data()
{
    QTest::addColumn<bool>("anonymous");
    QTest::newRow("anonymous temp") << true;
    QTest::newRow("named temp") << false;
}

void TestFileCopy::writeFailureKeepsTarget()
{
    QFETCH(bool, anonymous);
    Sandbox box;
    QVERIFY(makeDir(box.path("dst")));
    QVERIFY(write(box.path("a.txt"), pattern(1 << 20)));
    QVERIFY(write(box.path("dst/a.txt"), "old target"));

    FileCopy::Result result;
    {
        const FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.active());
        result = copy(box.path("a.txt"), box.path("dst"), anonymous);
    }
    QCOMPARE(int(result.status), int(Status::Failed));
    QCOMPARE(result.errorCode, EFBIG);
    QVERIFY2(result.message.contains(QStringLiteral("文件太大")), qPrintable(result.message));
    QCOMPARE(read(box.path("dst/a.txt")), QByteArray("old target"));
    QCOMPARE(listing(box.path("dst")), QList<QByteArray>{"a.txt"});
}

void TestFileCopy::fullDiskKeepsTarget_data()
{
    writeFailureKeepsTarget_data();
}

void TestFileCopy::fullDiskKeepsTarget()
{
    QFETCH(bool, anonymous);
    Sandbox box;
    QVERIFY(makeDir(box.path("small")));
    const Mount tmpfs(box.path("small"), "size=1m");
    if (!tmpfs.mounted())
        QSKIP("cannot mount a small tmpfs here");
    QVERIFY(write(box.path("small/a.txt"), "old target"));
    QVERIFY(write(box.path("a.txt"), pattern(4 << 20)));

    const FileCopy::Result result = copy(box.path("a.txt"), box.path("small"), anonymous);
    QCOMPARE(int(result.status), int(Status::Failed));
    QCOMPARE(result.errorCode, ENOSPC);
    QVERIFY2(result.message.contains(QStringLiteral("磁盘空间不足")), qPrintable(result.message));
    QCOMPARE(read(box.path("small/a.txt")), QByteArray("old target"));
    QCOMPARE(listing(box.path("small")), QList<QByteArray>{"a.txt"});
}

void TestFileCopy::cancelKeepsTarget_data()
{
    writeFailureKeepsTarget_data();
}

void TestFileCopy::cancelKeepsTarget()
{
    QFETCH(bool, anonymous);
    Sandbox box;
    QVERIFY(makeDir(box.path("dst")));
    QVERIFY(write(box.path("a.txt"), pattern(4 << 20)));
    QVERIFY(write(box.path("dst/a.txt"), "old target"));

    FileCopy::Control control;
    control.cancel = true;
    FileCopy::Options options;
    options.anonymousTemp = anonymous;
    const FileCopy::Result result =
        FileCopy::copyIntoFolder(box.path("a.txt"), box.path("dst"), control, options);
    QCOMPARE(int(result.status), int(Status::Cancelled));
    QCOMPARE(control.bytesDone.load(), qint64(0));
    QCOMPARE(read(box.path("dst/a.txt")), QByteArray("old target"));
    QCOMPARE(listing(box.path("dst")), QList<QByteArray>{"a.txt"});
}

QTEST_GUILESS_MAIN(TestFileCopy)
#include "tst_filecopy.moc"
