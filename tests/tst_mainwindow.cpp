// The main window as the user meets it: layout, flags, texts, the clock, the
// destination field, the queue's keys, closing mid-copy, and the error box.

#include "TestFiles.h"
#include "app/CopyPump.h"
#include "app/CopyQueue.h"
#include "app/StatusPanels.h"
#include "app/TolvaneApplication.h"
#include "app/Unit_main.h"
#include "components/FileDropPan.h"
#include "components/IdleTimer.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace TestFiles;

namespace {

class Thrower : public QObject
{
public:
    using QObject::QObject;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("boom in a handler");
        return QObject::event(event);
    }
};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void layoutMatchesTheDesign_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("bounds");
        QTest::addColumn<QString>("text");
        QTest::newRow("AIFileDropPan1") << "AIFileDropPan1"
                                        << "Form_main" << QRect(3, 3, 423, 45) << "";
        QTest::newRow("Label1") << "Label1"
                                << "AIFileDropPan1" << QRect(4, 11, 56, 14) << "保存位置";
        QTest::newRow("Edit1") << "Edit1"
                               << "AIFileDropPan1" << QRect(68, 6, 315, 22) << "";
        QTest::newRow("Button1") << "Button1"
                                 << "AIFileDropPan1" << QRect(388, 6, 30, 25) << "...";
        QTest::newRow("AIFileDropPan2") << "AIFileDropPan2"
                                        << "Form_main" << QRect(2, 53, 417, 61) << "";
        QTest::newRow("ListBox1") << "ListBox1"
                                  << "AIFileDropPan2" << QRect(1, 1, 415, 59) << "";
        QTest::newRow("StatusBar1") << "StatusBar1"
                                    << "Form_main" << QRect(0, 125, 432, 24) << "";
    }

    void layoutMatchesTheDesign()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, bounds);
        QFETCH(QString, text);
        TForm_main form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *widget = form.findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), parent);
        QCOMPARE(widget->geometry(), bounds);
        QVERIFY(widget->isVisible());
        if (auto *label = qobject_cast<QLabel *>(widget))
            QCOMPARE(label->text(), text);
        if (auto *button = qobject_cast<QPushButton *>(widget))
            QCOMPARE(button->text(), text);
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            QCOMPARE(edit->text(), text);
    }

    void theWindowIsFixedOnTopAndWithoutMinMax()
    {
        TForm_main form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Tolvane"));
        QCOMPARE(form.size(), QSize(432, 149));
        QCOMPARE(form.minimumSize(), QSize(432, 149));
        QCOMPARE(form.maximumSize(), QSize(432, 149));
        QCOMPARE(form.pos(), QPoint(422, 241));
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.font().pixelSize(), 14);
        QVERIFY(form.font().families().contains(QStringLiteral("宋体")));
        QCOMPARE(form.Edit1->palette().color(QPalette::Text), QColor(Qt::gray));
    }

    void fieldPromptStatusBarAndTabOrder()
    {
        TForm_main form;
        form.show();
        QCOMPARE(form.Edit1->text(), QString());
        QCOMPARE(form.Edit1->placeholderText(), QStringLiteral("请先拖入或选择要保存的文件位置"));
        QCOMPARE(form.destination(), QByteArray());
        QCOMPARE(form.StatusBar1->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(form.StatusBar1->toolTip(), QStringLiteral("联系作者"));
        QCOMPARE(form.StatusBar1->panel(0)->geometry().width(), 100);
        QCOMPARE(form.StatusBar1->panel(1)->geometry().x(), 100);
        QCOMPARE(form.StatusBar1->panel(1)->geometry().width(), 100);
        QCOMPARE(form.StatusBar1->panel(2)->geometry().x(), 200);
        QCOMPARE(form.StatusBar1->panel(2)->geometry().right(), 431);
        const auto nextTabStop = [](QWidget *w) {
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible());
            return w;
        };
        QCOMPARE(nextTabStop(form.ListBox1), form.Edit1);
        QCOMPARE(nextTabStop(form.Edit1), form.Button1);
        QCOMPARE(nextTabStop(form.Button1), form.ListBox1);
        QCOMPARE(form.ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(form.CopiedCount(), 0);
    }

    void theClockTicksOnlyOnceTheLoopRuns()
    {
        TForm_main form;
        QCOMPARE(form.IdleTimer1->interval(), 100);
        QVERIFY(form.IdleTimer1->isActive());
        form.show();
        QCOMPARE(form.StatusBar1->panelText(0), QString());
        QCOMPARE(form.StatusBar1->panelText(1), QString());
        QCOMPARE(form.StatusBar1->panelText(2), CopyPump::dragHintText());
        QTRY_COMPARE(form.StatusBar1->panelText(0), QStringLiteral("已复制0个文件"));
        QCOMPARE(form.StatusBar1->panelText(1), QStringLiteral("还有0个文件"));
        QCOMPARE(form.StatusBar1->panelText(2), CopyPump::dragHintText());

        // With nothing to do the clock sleeps; work wakes it, Enabled rules.
        QVERIFY(!form.IdleTimer1->isActive());
        QVERIFY(form.IdleTimer1->Enabled());
        QTemporaryDir tmp;
        write(raw(tmp.path()) + "/f", "x");
        form.queue()->appendFiles({raw(tmp.path()) + "/f"});
        QVERIFY(form.IdleTimer1->isActive());
        QTRY_COMPARE(form.StatusBar1->panelText(1), QStringLiteral("还有1个文件"));
        QVERIFY(!form.IdleTimer1->isActive()); // no destination yet
        form.IdleTimer1->setEnabled(false);
        form.setDestination(raw(tmp.path()));
        QVERIFY(!form.IdleTimer1->isActive());
    }

    void typedDestinationCountsOnceCommitted()
    {
        QTemporaryDir tmp;
        const QByteArray src = raw(tmp.path()) + "/a.txt";
        write(src, "payload");
        const QByteArray dst = raw(tmp.path()) + "/dst";
        ::mkdir(dst.constData(), 0755);

        TForm_main form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.queue()->appendFiles({src});
        form.Edit1->setFocus();
        QTest::keyClicks(form.Edit1, QFile::decodeName(dst));
        QTest::qWait(300);
        QCOMPARE(form.queue()->count(), 1); // typed, not yet confirmed
        QCOMPARE(form.destination(), QByteArray());
        QTest::keyClick(form.Edit1, Qt::Key_Return);
        QCOMPARE(form.destination(), dst);
        QTRY_COMPARE(form.queue()->count(), 0);
        QTRY_COMPARE(form.StatusBar1->panelText(0), QStringLiteral("已复制1个文件"));
        QCOMPARE(read(dst + "/a.txt"), QByteArray("payload"));
    }

    void retryAndRemoveFromTheKeyboard()
    {
        QTemporaryDir tmp;
        const QByteArray gone = raw(tmp.path()) + "/gone";
        write(gone, "x");
        TForm_main form;
        form.IdleTimer1->setEnabled(false);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.queue()->appendFiles({gone});
        ::unlink(gone.constData());
        form.setDestination(raw(tmp.path()));
        form.IdleTimer1Timer(form.IdleTimer1);
        form.pump()->waitForCopy();
        QCOMPARE(form.queue()->state(0), CopyQueue::State::Failed);

        form.ListBox1->setFocus();
        form.ListBox1->setCurrentIndex(form.queue()->index(0));
        QTest::keyClick(form.ListBox1, Qt::Key_Return);
        QCOMPARE(form.queue()->state(0), CopyQueue::State::Waiting);
        QTest::keyClick(form.ListBox1, Qt::Key_Delete);
        QCOMPARE(form.queue()->count(), 0);
        QCOMPARE(form.ListBox1->actions().size(), 3);
    }

    void closingMidCopyStopsPromptlyAndLeavesNothing()
    {
        QTemporaryDir tmp;
        const QByteArray src = raw(tmp.path()) + "/big.bin";
        write(src, pattern(256 << 20));
        const QByteArray dst = raw(tmp.path()) + "/dst";
        ::mkdir(dst.constData(), 0755);
        write(dst + "/big.bin", "old");

        auto form = std::make_unique<TForm_main>();
        form->show();
        form->queue()->appendFiles({src});
        form->setDestination(dst);
        form->IdleTimer1Timer(form->IdleTimer1);
        QVERIFY(form->pump()->isCopying());
        form->close();
        QVERIFY(!form->pump()->isCopying());
        form.reset();
        QCOMPARE(listing(dst), QList<QByteArray>{"big.bin"});
        QCOMPARE(read(dst + "/big.bin"), QByteArray("old"));
    }

    void anEscapedErrorShowsABoxAndTheLoopGoesOn()
    {
        auto *app = qobject_cast<TolvaneApplication *>(qApp);
        QVERIFY(app);
        QCOMPARE(TolvaneApplication::titleFromExecutable(QStringLiteral("/opt/x/TOLVANE.exe")),
                 QStringLiteral("Tolvane"));
        QCOMPARE(TolvaneApplication::titleFromExecutable(QStringLiteral("/usr/bin/copy.tool.bin")),
                 QStringLiteral("copy.tool"));

        TForm_main form;
        form.show();
        Thrower thrower;
        QString boxTitle, boxText;
        QTimer::singleShot(
            0, &thrower, [&] { QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User)); });
        // Answer the box from inside its own loop, then look at what it said.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxTitle = box->windowTitle();
                boxText = box->text();
                box->accept();
            }
        });
        closer.start(20);
        QTRY_VERIFY(!boxText.isEmpty());
        QCOMPARE(boxTitle, app->title());
        QCOMPARE(boxText, QStringLiteral("boom in a handler"));
        // The clock still drives the window.
        QTRY_COMPARE(form.StatusBar1->panelText(0), QStringLiteral("已复制0个文件"));
    }
};

int main(int argc, char **argv)
{
    TolvaneApplication app(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
