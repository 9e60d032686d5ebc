// Choosing the destination: the folder chooser, folder drops on the
// destination row, the "..." button, and the contact link.

#include "TestDrops.h"
#include "TestFiles.h"
#include "app/CopyPump.h"
#include "app/CopyQueue.h"
#include "app/StatusPanels.h"
#include "app/Unit_main.h"
#include "components/FileDropPan.h"
#include "components/IdleTimer.h"
#include "platform/RawPath.h"
#include "util/ShellHelpers.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace TestDrops;
using namespace TestFiles;

namespace {

// Runs `answer` on the modal dialog once it is up; `answer` closes it.
void whenModal(std::function<void(QWidget *)> answer, const char *className = "QFileDialog")
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, className] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->inherits(className) && modal->isVisible()) {
            poll->deleteLater();
            poll->stop();
            answer(modal);
        }
    });
    poll->start(10);
}

void typeInChooser(QWidget *dialog, const QString &text)
{
    auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(text);
}

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

class DestinationTest : public QObject
{
    Q_OBJECT

private slots:
    void selectFolderOkReturnsTheFolderTheChooserShows_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("expected");
        QTest::newRow("start folder") << "<tmp>/a"
                                      << "<tmp>/a";
        QTest::newRow("empty: current folder") << ""
                                               << "<cwd>";
        QTest::newRow("root keeps its separator") << "/"
                                                  << "/";
    }

    void selectFolderOkReturnsTheFolderTheChooserShows()
    {
        QFETCH(QString, start);
        QFETCH(QString, expected);
        QTemporaryDir tmp;
        QDir(tmp.path()).mkdir(QStringLiteral("a"));
        const auto resolve = [&](QString s) {
            return s.replace(QStringLiteral("<tmp>"), tmp.path())
                .replace(QStringLiteral("<cwd>"), QDir::currentPath());
        };
        QString folder = resolve(start);
        QString title;
        bool readOnly = false;
        whenModal([&](QWidget *w) {
            auto *dialog = static_cast<QFileDialog *>(w);
            title = dialog->windowTitle();
            readOnly = dialog->testOption(QFileDialog::ReadOnly);
            static_cast<QDialog *>(dialog)->accept();
        });
        QVERIFY(SelectFolder(false, folder));
        QCOMPARE(folder, resolve(expected));
        QCOMPARE(title, QStringLiteral("选择目录"));
        QVERIFY2(readOnly, "without creation the chooser offers no new folder");
    }

    void cancelEscapeAndCloseLeaveTheFolderAlone_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel") << 0;
        QTest::newRow("escape") << 1;
        QTest::newRow("close box") << 2;
    }

    void cancelEscapeAndCloseLeaveTheFolderAlone()
    {
        QFETCH(int, how);
        for (const QString &start : {QString(), QStringLiteral("/tmp")}) {
            QString folder = start;
            whenModal([how](QWidget *dialog) {
                if (how == 0)
                    static_cast<QFileDialog *>(dialog)->reject();
                else if (how == 1)
                    QTest::keyClick(dialog, Qt::Key_Escape);
                else
                    dialog->close();
            });
            QVERIFY(!SelectFolder(false, folder));
            QCOMPARE(folder, start);
        }
    }

    void withoutCreationATypedNewFolderIsRefused()
    {
        QTemporaryDir tmp;
        QString folder = tmp.path();
        whenModal([&](QWidget *dialog) {
            typeInChooser(dialog, tmp.path() + QStringLiteral("/new"));
            // The chooser refuses with a warning; answer it, then give up.
            whenModal(
                [dialog](QWidget *box) {
                    static_cast<QMessageBox *>(box)->accept();
                    QTimer::singleShot(0, dialog,
                                       [dialog] { static_cast<QDialog *>(dialog)->reject(); });
                },
                "QMessageBox");
            static_cast<QDialog *>(dialog)->accept();
        });
        QVERIFY(!SelectFolder(false, folder));
        QCOMPARE(folder, tmp.path());
        QVERIFY(!QFileInfo::exists(tmp.path() + QStringLiteral("/new")));
    }

    void withCreationATypedPathIsConfirmedFirst()
    {
        QTemporaryDir tmp;
        const QString typed = tmp.path() + QStringLiteral("/made/later");
        QString folder = tmp.path();
        QStringList prompts;
        QStringList *seen = &prompts;
        const auto answer = [seen](QMessageBox::StandardButton button) {
            return [seen, button](QWidget *w) {
                auto *box = static_cast<QMessageBox *>(w);
                *seen << box->text();
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
                box->button(button)->click();
            };
        };
        whenModal([&](QWidget *dialog) {
            typeInChooser(dialog, typed);
            // No keeps the chooser open; OK again, then Yes closes it.
            whenModal(answer(QMessageBox::No), "QMessageBox");
            static_cast<QDialog *>(dialog)->accept();
            QVERIFY(dialog->isVisible());
            whenModal(answer(QMessageBox::Yes), "QMessageBox");
            static_cast<QDialog *>(dialog)->accept();
        });
        QVERIFY(SelectFolder(true, folder));
        QCOMPARE(folder, typed);
        QCOMPARE(prompts, (QStringList{"指定的目录不存在. 创建吗?", "指定的目录不存在. 创建吗?"}));
        QVERIFY2(!QFileInfo::exists(typed), "the chooser creates nothing itself");
    }

    void openWithShellHandsAddressesToTheDesktop()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
        const auto restore =
            qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); });
        QVERIFY(OpenWithShell(QStringLiteral("https://example.com/about"), QString()));
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("https://example.com/about"))});
    }

    void openWithShellStartsAProgramInItsFolder()
    {
        QTemporaryDir tmp;
        const QString script = tmp.path() + QStringLiteral("/prog.sh");
        write(raw(script), "#!/bin/sh\npwd > out.txt\necho \"$1\" >> out.txt\n", 0755);
        QVERIFY(OpenWithShell(script, QStringLiteral("\"hello there\"")));
        QTRY_COMPARE(read(raw(tmp.path()) + "/out.txt"), raw(tmp.path()) + "\nhello there\n");
    }

    void theButtonSetsTheFieldOnOkAndKeepsItOnCancel()
    {
        QTemporaryDir tmp;
        QDir(tmp.path()).mkdir(QStringLiteral("first"));
        TForm_main form;
        form.show();
        form.setDestination(raw(tmp.path()) + "/first");

        // Opens at the current destination; OK takes the folder at once.
        QString startedIn;
        whenModal([&](QWidget *w) {
            auto *dialog = static_cast<QFileDialog *>(w);
            startedIn = dialog->directory().absolutePath();
            dialog->setDirectory(tmp.path());
            static_cast<QDialog *>(dialog)->accept();
        });
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QCOMPARE(startedIn, tmp.path() + QStringLiteral("/first"));
        QCOMPARE(form.Edit1->text(), tmp.path());
        QCOMPARE(form.destination(), raw(tmp.path()));

        whenModal([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
        form.Button1Click(form.Button1);
        QCOMPARE(form.Edit1->text(), tmp.path());
        QCOMPARE(form.destination(), raw(tmp.path()));

        // Without a usable destination it opens at the current folder.
        form.Edit1->setText(QStringLiteral("/no/such/place"));
        emit form.Edit1->editingFinished();
        whenModal([&](QWidget *w) {
            startedIn = static_cast<QFileDialog *>(w)->directory().absolutePath();
            static_cast<QDialog *>(w)->reject();
        });
        form.Button1Click(form.Button1);
        QCOMPARE(startedIn, QDir::currentPath());
        QCOMPARE(form.Edit1->text(), QStringLiteral("/no/such/place"));
    }

    void copyingGoesOnWhileTheChooserIsOpen()
    {
        QTemporaryDir tmp;
        const QByteArray dir = raw(tmp.path());
        ::mkdir((dir + "/dst").constData(), 0755);
        QList<QByteArray> files;
        for (const char *name : {"1", "2", "3"}) {
            write(dir + '/' + name, name);
            files << dir + '/' + name;
        }
        TForm_main form;
        form.show();
        form.queue()->appendFiles(files);
        form.setDestination(dir + "/dst");
        int leftWhileOpen = -1;
        whenModal([&](QWidget *dialog) {
            QTRY_COMPARE_WITH_TIMEOUT(form.queue()->count(), 0, 5000);
            leftWhileOpen = form.queue()->count();
            static_cast<QDialog *>(dialog)->reject();
        });
        form.Button1Click(form.Button1);
        QCOMPARE(leftWhileOpen, 0);
        QCOMPARE(listing(dir + "/dst"), (QList<QByteArray>{"1", "2", "3"}));
    }

    void folderDropsOnTheDestinationRow_data()
    {
        QTest::addColumn<QList<QByteArray>>("dropped");
        QTest::addColumn<QByteArray>("expected"); // "" = unchanged
        QTest::newRow("a folder") << QList<QByteArray>{"<tmp>/dst"} << QByteArray("<tmp>/dst");
        QTest::newRow("folder with trailing slash, as delivered")
            << QList<QByteArray>{"<tmp>/dst/"} << QByteArray("<tmp>/dst/");
        QTest::newRow("a file then a folder")
            << QList<QByteArray>{"<tmp>/file", "<tmp>/dst"} << QByteArray();
        QTest::newRow("a folder then a file")
            << QList<QByteArray>{"<tmp>/dst", "<tmp>/file"} << QByteArray("<tmp>/dst");
        QTest::newRow("missing") << QList<QByteArray>{"<tmp>/none"} << QByteArray();
        QTest::newRow("root") << QList<QByteArray>{"/"} << QByteArray("/");
        QTest::newRow("long path") << QList<QByteArray>{"<long>"} << QByteArray("<long>");
        QTest::newRow("not UTF-8")
            << QList<QByteArray>{"<tmp>/\xc4\xbf\xc2\xbc"} << QByteArray("<tmp>/\xc4\xbf\xc2\xbc");
    }

    void folderDropsOnTheDestinationRow()
    {
        QFETCH(QList<QByteArray>, dropped);
        QFETCH(QByteArray, expected);
        QTemporaryDir tmp;
        const QByteArray dir = raw(tmp.path());
        const auto cleanup = qScopeGuard([&] { removeTree(dir); });
        QByteArray longPath = dir;
        for (char c : {'p', 'q', 'r'}) {
            longPath += '/' + QByteArray(100, c);
            ::mkdir(longPath.constData(), 0755);
        }
        ::mkdir((dir + "/dst").constData(), 0755);
        ::mkdir((dir + "/\xc4\xbf\xc2\xbc").constData(), 0755);
        write(dir + "/file", "f");
        const auto resolve = [&](QByteArray p) {
            return p.replace("<tmp>", dir).replace("<long>", longPath);
        };
        for (QByteArray &p : dropped)
            p = resolve(p);

        TForm_main form;
        form.IdleTimer1->setEnabled(false);
        form.show();
        form.setDestination(dir + "/file"); // something to keep
        const QString shownBefore = form.Edit1->text();
        QVERIFY(dropOn(form.Edit1, fileUrls(dropped)));
        if (expected.isEmpty()) {
            QCOMPARE(form.destination(), dir + "/file");
            QCOMPARE(form.Edit1->text(), shownBefore);
            return;
        }
        QCOMPARE(form.destination(), resolve(expected));
        QVERIFY(!form.Edit1->text().isEmpty());

        // Files now go to exactly those bytes, whatever the field shows.
        const QByteArray gbkFile = "\xce\xc4\xbc\xfe.txt";
        write(dir + '/' + gbkFile, "bytes");
        form.queue()->appendFiles({dir + '/' + gbkFile});
        emit form.Edit1->editingFinished(); // leaving the untouched field changes nothing
        form.IdleTimer1Timer(form.IdleTimer1);
        form.pump()->waitForCopy();
        const QByteArray target = RawPath::targetPath(resolve(expected), gbkFile);
        QCOMPARE(read(target), QByteArray("bytes"));
        if (resolve(expected) == "/")
            ::unlink(target.constData());
    }

    void theStatusBarOpensTheHomePage()
    {
        UrlCatcher catcher;
        const QString scheme = QUrl(TForm_main::homePage()).scheme();
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");
        const auto restore = qScopeGuard([&] { QDesktopServices::unsetUrlHandler(scheme); });
        TForm_main form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int i = 0; i < StatusPanels::PanelCount; ++i) {
            const QRect panel = form.StatusBar1->panel(i)->geometry();
            QTest::mouseClick(form.StatusBar1, Qt::LeftButton, {}, panel.center());
        }
        QCOMPARE(catcher.urls.size(), 3);
        QCOMPARE(catcher.urls.first(), QUrl(TForm_main::homePage()));
    }
};

int main(int argc, char **argv)
{
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    DestinationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_destination.moc"
