// Drops on the two panels of the main window: what reaches which panel, and
// what the queue takes from a drop.

#include "TestDrops.h"
#include "TestFiles.h"
#include "app/CopyQueue.h"
#include "app/Unit_main.h"
#include "components/FileDropPan.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace TestDrops;
using namespace TestFiles;

class DropPanTest : public QObject
{
    Q_OBJECT

private slots:
    void dropsOverAnyChildReachTheirOwnPanel_data()
    {
        QTest::addColumn<QString>("child");
        QTest::addColumn<QString>("panel");
        QTest::newRow("destination label") << "Label1"
                                           << "AIFileDropPan1";
        QTest::newRow("destination field") << "Edit1"
                                           << "AIFileDropPan1";
        QTest::newRow("folder button") << "Button1"
                                       << "AIFileDropPan1";
        QTest::newRow("destination panel") << "AIFileDropPan1"
                                           << "AIFileDropPan1";
        QTest::newRow("queue list") << "ListBox1"
                                    << "AIFileDropPan2";
        QTest::newRow("queue panel") << "AIFileDropPan2"
                                     << "AIFileDropPan2";
    }

    void dropsOverAnyChildReachTheirOwnPanel()
    {
        QFETCH(QString, child);
        QFETCH(QString, panel);
        TForm_main form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QStringList reached;
        for (TAIFileDropPan *p : {form.AIFileDropPan1, form.AIFileDropPan2}) {
            p->OnDragFile = [&reached](QObject *sender, const QList<QByteArray> &) {
                reached << sender->objectName();
            };
        }
        auto *target = form.findChild<QWidget *>(child);
        QVERIFY(target);
        if (auto *list = qobject_cast<QListView *>(target))
            target = list->viewport();
        QVERIFY(dropOn(target, {fileUrl("/etc/hostname")}));
        QCOMPARE(reached, QStringList{panel});
    }

    void aDropDeliversFileUrlsInOrderWithTheirExactBytes()
    {
        TAIFileDropPan panel;
        QList<QByteArray> seen;
        int calls = 0;
        panel.OnDragFile = [&](QObject *sender, const QList<QByteArray> &files) {
            QCOMPARE(sender, &panel);
            seen = files;
            ++calls;
        };
        const QByteArray longPath = "/tmp/" + QByteArray(120, 'd') + '/' + QByteArray(120, 'e') +
                                    '/' + QByteArray(200, 'f') + ".bin";
        const QList<QByteArray> paths = {"/tmp/z last.txt", "/tmp/中文 名字.txt",
                                         "/tmp/\xc4\xe3\xba\xc3.txt", longPath,
                                         "/tmp/100%25 sure #1?.txt"};
        QList<QUrl> urls = fileUrls(paths);
        urls.insert(1, QUrl(QStringLiteral("https://example.com/page.html")));

        QVERIFY(dropOn(&panel, urls));
        QCOMPARE(calls, 1);
        QCOMPARE(seen, paths);
        QCOMPARE(panel.FileList(), paths);
        QVERIFY(longPath.size() > 400);

        // The list is refilled, not extended, and kept without a handler too.
        panel.OnDragFile = nullptr;
        QVERIFY(dropOn(&panel, {fileUrl("/tmp/one")}));
        QCOMPARE(panel.FileList(), QList<QByteArray>{"/tmp/one"});
    }

    void acceptFileSwitchesDropsOffAndOn()
    {
        TAIFileDropPan panel;
        int calls = 0;
        panel.OnDragFile = [&](QObject *, const QList<QByteArray> &) { ++calls; };
        panel.setAcceptFile(false);
        QVERIFY(!dropOn(&panel, {fileUrl("/tmp/x")}));
        panel.setAcceptFile(true);
        QVERIFY(dropOn(&panel, {fileUrl("/tmp/x")}));
        QCOMPARE(calls, 1);
        QCOMPARE(panel.property("AcceptFile").toBool(), true);
        QCOMPARE(panel.frameShadow(), QFrame::Sunken);
    }

    void theQueueTakesRegularFilesOnly_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("queued");
        QTest::newRow("file") << QByteArray("file.txt") << true;
        QTest::newRow("folder") << QByteArray("folder") << false;
        QTest::newRow("missing") << QByteArray("missing.txt") << false;
        QTest::newRow("fifo") << QByteArray("fifo") << false;
        QTest::newRow("device") << QByteArray("device") << false;
        QTest::newRow("link to file") << QByteArray("link") << true;
        QTest::newRow("link to folder") << QByteArray("folder-link") << false;
        QTest::newRow("dangling link") << QByteArray("dangling") << false;
        QTest::newRow("long path") << QByteArray("long") << true;
        QTest::newRow("not UTF-8") << QByteArray("\xc4\xe3\xba\xc3") << true;
        QTest::newRow("1970 timestamp") << QByteArray("epoch.txt") << true;
        QTest::newRow("year 2200") << QByteArray("future.txt") << true;
    }

    void theQueueTakesRegularFilesOnly()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, queued);
        QTemporaryDir tmp;
        const QByteArray dir = raw(tmp.path());
        const auto cleanup = qScopeGuard([&] { removeTree(dir); });
        QByteArray path = join(dir, name);
        write(join(dir, "file.txt"), "x");
        ::mkdir(join(dir, "folder").constData(), 0755);
        ::mkfifo(join(dir, "fifo").constData(), 0644);
        ::symlink("/dev/null", join(dir, "device").constData());
        ::symlink("file.txt", join(dir, "link").constData());
        ::symlink("folder", join(dir, "folder-link").constData());
        ::symlink("nowhere", join(dir, "dangling").constData());
        write(join(dir, QByteArray("\xc4\xe3\xba\xc3")), "gbk");
        write(join(dir, "epoch.txt"), "old");
        const timespec epoch[2] = {{0, 0}, {0, 0}};
        ::utimensat(AT_FDCWD, join(dir, "epoch.txt").constData(), epoch, 0);
        write(join(dir, "future.txt"), "new");
        const timespec future[2] = {{7258118400, 0}, {7258118400, 0}};
        ::utimensat(AT_FDCWD, join(dir, "future.txt").constData(), future, 0);
        if (name == "long") {
            path = dir;
            for (int i = 0; i < 3; ++i) {
                path += '/' + QByteArray(100, char('a' + i));
                ::mkdir(path.constData(), 0755);
            }
            path += "/file.txt";
            write(path, "deep");
            QVERIFY(path.size() > 300);
        }

        TForm_main form;
        QVERIFY(dropOn(form.ListBox1->viewport(), {fileUrl(path)}));
        QCOMPARE(form.queue()->count(), queued ? 1 : 0);
        if (queued)
            QCOMPARE(form.queue()->path(0), path);
    }

    void aMixedDropQueuesItsFilesInDropOrder()
    {
        QTemporaryDir tmp;
        const QByteArray dir = raw(tmp.path());
        for (const char *name : {"b", "a", "c"})
            write(join(dir, name), name);
        TForm_main form;
        QVERIFY(
            dropOn(form.ListBox1->viewport(),
                   {fileUrl(join(dir, "b")), fileUrl(dir), fileUrl(join(dir, "a")),
                    fileUrl(join(dir, "none")), fileUrl(join(dir, "c")), fileUrl(join(dir, "b"))}));
        QList<QByteArray> queued;
        for (int row = 0; row < form.queue()->count(); ++row)
            queued << form.queue()->path(row);
        QCOMPARE(queued, (QList<QByteArray>{join(dir, "b"), join(dir, "a"), join(dir, "c"),
                                            join(dir, "b")}));
        QCOMPARE(form.ListBox1->model()->rowCount(), 4);
    }

    void aLargeDropIsCheckedAsideAndLaterDropsWaitTheirTurn()
    {
        QTemporaryDir tmp;
        const QByteArray dir = raw(tmp.path());
        QList<QByteArray> many;
        for (int i = 0; i < CopyQueue::ImmediateIntakeLimit + 500; ++i) {
            many << join(dir, "f" + QByteArray::number(i));
            write(many.back(), "x");
        }
        many.insert(7, dir); // a folder inside the large drop is still skipped
        write(join(dir, "later"), "y");

        TForm_main form;
        QVERIFY(dropOn(form.ListBox1->viewport(), fileUrls(many)));
        QVERIFY(dropOn(form.ListBox1->viewport(), {fileUrl(join(dir, "later"))}));
        QVERIFY(form.queue()->isTakingIn());
        QTRY_VERIFY(!form.queue()->isTakingIn());

        many.removeAt(7);
        many << join(dir, "later");
        QCOMPARE(form.queue()->count(), many.size());
        for (int row = 0; row < form.queue()->count(); ++row)
            QCOMPARE(form.queue()->path(row), many.at(row));
    }
};

QTEST_MAIN(DropPanTest)
#include "tst_droppan.moc"
