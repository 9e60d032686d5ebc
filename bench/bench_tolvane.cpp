// Prints Tolvane's speed and memory figures next to their goals.
// Usage: tolvane_bench [work-folder]   (the folder must have ~2.5 GiB free)
// Run with QT_QPA_PLATFORM=offscreen when there is no display.

#include "app/CopyPump.h"
#include "app/CopyQueue.h"
#include "app/StatusPanels.h"
#include "app/Unit_main.h"
#include "components/FileDropPan.h"
#include "components/IdleTimer.h"
#include "platform/RawPath.h"
#include "tests/TestDrops.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using TestDrops::dropOn;

namespace {

double residentMiB()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void line(const char *what, double value, const char *unit, const char *goal, bool ok)
{
    std::printf("%-44s %12.2f %-4s goal %-12s %s\n", what, value, unit, goal, ok ? "ok" : "MISSED");
    std::fflush(stdout);
}

bool writeFile(const QByteArray &path, qint64 size)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < block.size(); ++i)
        block[i] = char(i * 131 + 7);
    for (qint64 done = 0; done < size;) {
        const qint64 n = qMin<qint64>(block.size(), size - done);
        if (::write(fd, block.constData(), size_t(n)) != n) {
            ::close(fd);
            return false;
        }
        block[0] = char(block[0] + 1); // no two blocks alike
        done += n;
    }
    return ::fsync(fd) == 0 && ::close(fd) == 0;
}

void benchDropAndMemory(const QByteArray &work)
{
    const QByteArray dir = work + "/many";
    ::mkdir(dir.constData(), 0755);
    QList<QUrl> urls;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray path = dir + "/file-" + QByteArray::number(i) + ".txt";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
        urls << QUrl::fromLocalFile(QFile::decodeName(path));
    }

    // Returns how long the drop held the UI thread and how long until every
    // entry was in the queue.
    const auto timedDrop = [](TForm_main &form, const QList<QUrl> &dropped) {
        QElapsedTimer clock;
        clock.start();
        dropOn(form.ListBox1->viewport(), dropped);
        const double blockedMs = double(clock.nsecsElapsed()) / 1e6;
        while (form.queue()->isTakingIn())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
        return std::pair{blockedMs, double(clock.nsecsElapsed()) / 1e6};
    };

    {
        TForm_main form;
        form.IdleTimer1->setEnabled(false);
        form.show();
        QApplication::processEvents();
        const auto [blockedMs, queuedMs] = timedDrop(form, urls);
        std::printf("  the drop held the UI thread for %.1f ms\n", blockedMs);
        line("drop of 10,000 files into the queue", queuedMs, "ms", "< 100 ms", queuedMs < 100);
    }

    // One drop of 100,000 entries (the same files ten times), shown in the list.
    QList<QUrl> many;
    for (int i = 0; i < 10; ++i)
        many += urls;
    TForm_main form;
    form.IdleTimer1->setEnabled(false);
    form.show();
    QApplication::processEvents();
    const double base = residentMiB();
    const auto [blockedMs, queuedMs] = timedDrop(form, many);
    form.ListBox1->scrollToBottom();
    QApplication::processEvents();
    const double grown = residentMiB() - base;
    std::printf("  100,000 files: UI thread held %.1f ms, all queued after %.1f ms\n", blockedMs,
                queuedMs);
    std::printf("  queue holds %d entries; resident %.1f MiB\n", form.queue()->count(),
                residentMiB());
    line("memory for 100,000 queued entries", grown, "MiB", "< 100 MB", grown < 95.0);
}

void benchCopy(const QByteArray &work, qint64 size)
{
    const QByteArray src = work + "/big.bin";
    const QByteArray dstPump = work + "/pump";
    const QByteArray dstCp = work + "/cp";
    ::mkdir(dstPump.constData(), 0755);
    ::mkdir(dstCp.constData(), 0755);
    if (!writeFile(src, size)) {
        std::printf("cannot write %s\n", src.constData());
        return;
    }

    QElapsedTimer clock;
    clock.start();
    QProcess cp;
    cp.start(QStringLiteral("sh"),
             {QStringLiteral("-c"), QStringLiteral("cp \"$1\" \"$2\" && sync"),
              QStringLiteral("sh"), QFile::decodeName(src), QFile::decodeName(dstCp)});
    cp.waitForFinished(-1);
    const double cpSeconds = double(clock.nsecsElapsed()) / 1e9;
    QFile::remove(QFile::decodeName(dstCp + "/big.bin"));
    ::sync();

    CopyQueue queue;
    CopyPump pump(&queue);
    queue.appendFiles({src});
    pump.setDestination(dstPump);

    QEventLoop loop;
    qint64 largestGapNs = 0;
    QElapsedTimer sinceLast;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        largestGapNs = qMax(largestGapNs, sinceLast.nsecsElapsed());
        sinceLast.restart();
    });
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &pump, &CopyPump::tick);
    QObject::connect(&pump, &CopyPump::copyFinished, &loop, &QEventLoop::quit);
    clock.restart();
    sinceLast.start();
    probe.start(10);
    ticks.start(100);
    pump.tick();
    loop.exec();
    const double pumpSeconds = double(clock.nsecsElapsed()) / 1e9;
    probe.stop();
    ticks.stop();

    const double stallMs = double(largestGapNs) / 1e6 - 10.0;
    std::printf("  %lld MiB: cp + sync %.2f s, pump %.2f s\n", size >> 20, cpSeconds, pumpSeconds);
    line("largest UI stall during the copy", stallMs, "ms", "< 50 ms", stallMs < 50);
    const double ratio = pumpSeconds / cpSeconds;
    line("copy time / (cp + sync)", ratio, "x", "<= 1.0", ratio <= 1.0);
    QFile::remove(QFile::decodeName(src));
    QFile::remove(QFile::decodeName(dstPump + "/big.bin"));
}

void benchIdle()
{
    TForm_main form;
    form.show();
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();

    int paints = 0;
    struct PaintCounter : QObject
    {
        int *count;
        explicit PaintCounter(int *c) : count(c) {}
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);
    for (int i = 0; i < StatusPanels::PanelCount; ++i)
        form.StatusBar1->panel(i)->installEventFilter(&counter);

    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    const double percent = (cpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) / 1e9) * 100.0;
    std::printf("  status panel repaints while idle for 5 s: %d\n", paints);
    line("idle window CPU", percent, "%", "< 0.1 %", percent < 0.1);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir tmp(argc > 1 ? QString::fromLocal8Bit(argv[1]) +
                                     QStringLiteral("/tolvane-bench-XXXXXX")
                               : QDir::currentPath() + QStringLiteral("/tolvane-bench-XXXXXX"));
    if (!tmp.isValid()) {
        std::fprintf(stderr, "cannot make a work folder\n");
        return 1;
    }
    const QByteArray work = QFile::encodeName(tmp.path());
    const qint64 size = qEnvironmentVariableIntValue("TOLVANE_BENCH_MIB") > 0
                            ? qint64(qEnvironmentVariableIntValue("TOLVANE_BENCH_MIB")) << 20
                            : qint64(1) << 30;
    std::printf("Tolvane bench, work folder %s\n", work.constData());
    benchDropAndMemory(work);
    benchIdle();
    benchCopy(work, size);
    return 0;
}
