// The queue and the pump, tick by tick, on real files; no display needed.

#include "TestFiles.h"
#include "app/CopyPump.h"
#include "app/CopyQueue.h"

#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

using namespace TestFiles;

class PumpTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        Sandbox box;
        QByteArray src = box.path("src");
        QByteArray dst = box.path("dst");
        CopyQueue queue;
        CopyPump pump{&queue};

        Fixture()
        {
            ::mkdir(src.constData(), 0755);
            ::mkdir(dst.constData(), 0755);
        }
        QByteArray file(const QByteArray &name, const QByteArray &content)
        {
            const QByteArray path = join(src, name);
            if (!write(path, content))
                qFatal("cannot write fixture file");
            return path;
        }
        QStringList texts() const
        {
            return {pump.statusText(0), pump.statusText(1), pump.statusText(2)};
        }
        // One tick, then let a copy it started finish.
        QStringList tickAndFinish()
        {
            pump.tick();
            const QStringList shown = texts();
            pump.waitForCopy();
            return shown;
        }
    };

private slots:
    void copiesOneFilePerTickWithTheTextsOfEachPass()
    {
        Fixture f;
        f.queue.appendFiles(
            {f.file("a.txt", "alpha"), f.file("b.txt", "bravo"), f.file("c.txt", "charlie")});
        f.pump.setDestination(f.dst);
        QCOMPARE(f.texts(), (QStringList{{}, {}, CopyPump::dragHintText()}));

        QCOMPARE(f.tickAndFinish(),
                 (QStringList{"已复制0个文件", "还有3个文件", "正在复制a.txt..."}));
        QCOMPARE(f.queue.count(), 2);
        QCOMPARE(f.tickAndFinish(),
                 (QStringList{"已复制1个文件", "还有2个文件", "正在复制b.txt..."}));
        QCOMPARE(f.tickAndFinish(),
                 (QStringList{"已复制2个文件", "还有1个文件", "正在复制c.txt..."}));
        // The copying text stays until a later pass replaces it.
        QCOMPARE(f.pump.statusText(2), QStringLiteral("正在复制c.txt..."));
        QCOMPARE(f.tickAndFinish(),
                 (QStringList{"已复制3个文件", "还有0个文件", CopyPump::advertText()}));

        QCOMPARE(f.pump.copiedCount(), 3);
        QCOMPARE(listing(f.dst), (QList<QByteArray>{"a.txt", "b.txt", "c.txt"}));
        QCOMPARE(read(join(f.dst, "c.txt")), QByteArray("charlie"));
    }

    void idleTextsDependOnWhetherAnythingWasCopied()
    {
        Fixture f;
        f.queue.appendFiles({f.file("a", "1")});
        // No destination: nothing moves, the hint stays.
        f.pump.tick();
        f.pump.tick();
        QCOMPARE(f.texts(),
                 (QStringList{"已复制0个文件", "还有1个文件", CopyPump::dragHintText()}));
        QVERIFY(!f.pump.isCopying());

        f.pump.setDestination(f.dst);
        f.tickAndFinish();
        f.queue.appendFiles({f.file("b", "2")});
        f.pump.setDestination({});
        f.pump.tick();
        QCOMPARE(f.texts(), (QStringList{"已复制1个文件", "还有1个文件", CopyPump::advertText()}));
    }

    void waitsWhileTheDestinationIsNotAFolder()
    {
        Fixture f;
        f.queue.appendFiles({f.file("a", "1")});
        const QByteArray later = join(f.dst, "later");
        f.pump.setDestination(later);
        f.pump.tick();
        QCOMPARE(f.texts(),
                 (QStringList{"已复制0个文件", "还有1个文件", CopyPump::missingFolderText()}));
        QVERIFY(!f.pump.isCopying());

        // A file is not a folder either.
        f.pump.setDestination(f.file("plain", "x"));
        f.pump.tick();
        QCOMPARE(f.pump.statusText(2), CopyPump::missingFolderText());

        f.pump.setDestination(later);
        ::mkdir(later.constData(), 0755);
        f.tickAndFinish();
        QCOMPARE(read(join(later, "a")), QByteArray("1"));
        QCOMPARE(f.queue.count(), 0);
    }

    void aFailedCopyIsMarkedPassedOverAndCanBeRetried()
    {
        Fixture f;
        const QByteArray gone = f.file("gone", "will vanish");
        f.queue.appendFiles({gone, f.file("next", "second")});
        ::unlink(gone.constData());
        f.pump.setDestination(f.dst);
        QSignalSpy finished(&f.pump, &CopyPump::copyFinished);

        f.tickAndFinish();
        QCOMPARE(finished.takeFirst().at(0).toBool(), false);
        QCOMPARE(f.pump.statusText(2), QStringLiteral("复制失败：gone"));
        QCOMPARE(f.queue.count(), 2);
        QCOMPARE(f.queue.state(0), CopyQueue::State::Failed);
        const QString tip = f.queue.data(f.queue.index(0), Qt::ToolTipRole).toString();
        QVERIFY2(tip.startsWith(QStringLiteral("复制失败：")) && tip.size() > 5, qPrintable(tip));

        // The failure is not counted and the next entry goes on.
        QCOMPARE(f.tickAndFinish(),
                 (QStringList{"已复制0个文件", "还有1个文件", "正在复制next..."}));
        f.pump.tick();
        QCOMPARE(f.texts(), (QStringList{"已复制1个文件", "还有0个文件", CopyPump::advertText()}));
        QVERIFY(!f.pump.isCopying());

        write(gone, "is back");
        QVERIFY(f.queue.retry(0));
        QCOMPARE(f.tickAndFinish(),
                 (QStringList{"已复制1个文件", "还有1个文件", "正在复制gone..."}));
        QCOMPARE(read(join(f.dst, "gone")), QByteArray("is back"));
        QCOMPARE(f.queue.count(), 0);
    }

    void aFailureStaysShownUntilTheNextCopy()
    {
        Fixture f;
        const QByteArray gone = f.file("gone", "x");
        f.queue.appendFiles({gone});
        ::unlink(gone.constData());
        f.pump.setDestination(f.dst);
        f.tickAndFinish();
        f.pump.tick();
        f.pump.tick();
        QCOMPARE(f.pump.statusText(2), QStringLiteral("复制失败：gone"));
        f.queue.appendFiles({f.file("b", "y")});
        f.pump.tick();
        QCOMPARE(f.pump.statusText(2), QStringLiteral("正在复制b..."));
    }

    void theSameFileIsRefusedAndLeftAlone()
    {
        Fixture f;
        const QByteArray inDestination = join(f.dst, "self.txt");
        write(inDestination, "original");
        const QByteArray hardLinkSameName = join(f.src, "self.txt");
        QCOMPARE(::link(inDestination.constData(), hardLinkSameName.constData()), 0);
        f.queue.appendFiles({inDestination, hardLinkSameName});
        f.pump.setDestination(f.dst);

        f.tickAndFinish();
        f.tickAndFinish();
        QCOMPARE(f.queue.failedCount(), 2);
        QCOMPARE(f.queue.error(0), QStringLiteral("源文件与目标文件相同"));
        QCOMPARE(f.queue.error(1), QStringLiteral("源文件与目标文件相同"));
        QCOMPARE(read(inDestination), QByteArray("original"));
        QCOMPARE(listing(f.dst), QList<QByteArray>{"self.txt"});
        QCOMPARE(f.pump.copiedCount(), 0);
    }

    void aFileDroppedTwiceIsCopiedTwiceAndReplacesTheTarget()
    {
        Fixture f;
        const QByteArray a = f.file("a", "new content");
        write(join(f.dst, "a"), "old content that is longer");
        f.queue.appendFiles({a, a});
        f.pump.setDestination(f.dst);
        f.tickAndFinish();
        QCOMPARE(read(join(f.dst, "a")), QByteArray("new content"));
        f.tickAndFinish();
        f.pump.tick();
        QCOMPARE(f.pump.copiedCount(), 2);
        QCOMPARE(f.texts(), (QStringList{"已复制2个文件", "还有0个文件", CopyPump::advertText()}));
        QCOMPARE(listing(f.dst), QList<QByteArray>{"a"});
    }

    void noSecondCopyStartsWhileOneRuns()
    {
        Fixture f;
        f.queue.appendFiles({f.file("a", pattern(1 << 20)), f.file("b", "b"), f.file("c", "c")});
        f.pump.setDestination(f.dst);
        QSignalSpy finished(&f.pump, &CopyPump::copyFinished);

        // No event is processed between these ticks, so the first copy is
        // still in progress for the pump whatever the worker is doing.
        for (int i = 0; i < 5; ++i)
            f.pump.tick();
        QCOMPARE(f.queue.state(0), CopyQueue::State::Copying);
        QCOMPARE(f.queue.state(1), CopyQueue::State::Waiting);
        QCOMPARE(f.queue.state(2), CopyQueue::State::Waiting);
        QCOMPARE(f.pump.statusText(2), QStringLiteral("正在复制a..."));
        QCOMPARE(f.pump.statusText(1), QStringLiteral("还有3个文件"));

        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(f.queue.count(), 2);
        QCOMPARE(read(join(f.dst, "a")), pattern(1 << 20));
    }

    void removingAndClearingEntries()
    {
        Fixture f;
        const QByteArray gone = f.file("gone", "x");
        f.queue.appendFiles({f.file("a", "1"), gone, f.file("b", "2")});
        ::unlink(gone.constData());
        f.pump.setDestination(f.dst);
        f.pump.tick();
        QVERIFY2(!f.queue.remove(0), "the entry being copied cannot be removed");
        f.pump.waitForCopy();
        f.tickAndFinish(); // gone fails
        QCOMPARE(f.queue.failedCount(), 1);
        QVERIFY(f.queue.remove(1)); // "b", still waiting
        f.queue.removeFailed();
        QCOMPARE(f.queue.count(), 0);
        f.pump.tick();
        QCOMPARE(f.pump.statusText(1), QStringLiteral("还有0个文件"));
    }

    void anInjectedWriteFailureLeavesTheOldTargetIntact()
    {
        Fixture f;
        const QByteArray big = f.file("big.bin", pattern(3 << 20, 7));
        const QByteArray oldTarget = pattern(1000, 3);
        write(join(f.dst, "big.bin"), oldTarget);
        f.queue.appendFiles({big});
        f.pump.setDestination(f.dst);

        {
            // Files may not grow past 1 MiB while the copy runs.
            const FileSizeLimit limit(1 << 20);
            QVERIFY(limit.active());
            f.tickAndFinish();
        }

        QCOMPARE(f.queue.state(0), CopyQueue::State::Failed);
        QVERIFY(!f.queue.error(0).isEmpty());
        QCOMPARE(f.pump.copiedCount(), 0);
        QCOMPARE(read(join(f.dst, "big.bin")), oldTarget);
        QCOMPARE(listing(f.dst), QList<QByteArray>{"big.bin"});
        QCOMPARE(read(big), pattern(3 << 20, 7));
    }

    void timesModeAndExactNameAreKept()
    {
        Fixture f;
        const QByteArray gbkName("\xc4\xe3\xba\xc3.txt"); // "你好" in GBK: not UTF-8
        const QByteArray source = f.file(gbkName, "gbk");
        ::chmod(source.constData(), 0640);
        const timespec times[2] = {{1000, 1}, {86400 * 365 + 17, 123456789}};
        QCOMPARE(::utimensat(AT_FDCWD, source.constData(), times, 0), 0);
        QCOMPARE(f.queue.appendFiles({source}), 1);
        QCOMPARE(f.queue.data(f.queue.index(0), Qt::DisplayRole).toString().right(6),
                 QStringLiteral("你好.txt"));
        f.pump.setDestination(f.dst);
        QCOMPARE(f.tickAndFinish().at(2), QStringLiteral("正在复制你好.txt..."));

        QCOMPARE(listing(f.dst), QList<QByteArray>{gbkName});
        struct stat st
        {
        };
        QCOMPARE(::stat(join(f.dst, gbkName).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(st.st_mtim.tv_sec, times[1].tv_sec);
        QCOMPARE(st.st_mtim.tv_nsec, times[1].tv_nsec);
    }
};

QTEST_GUILESS_MAIN(PumpTest)
#include "tst_pump.moc"
