#include "components/SkinData.h"

#include <QApplication>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringListModel>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A small window with two identical buttons; the second carries the disable tag.
struct ButtonWindow
{
    QWidget window;
    QPushButton *plain = nullptr;
    QPushButton *tagged = nullptr;

    ButtonWindow()
    {
        window.resize(220, 90);
        plain = new QPushButton(u"Copy"_s, &window);
        tagged = new QPushButton(u"Copy"_s, &window);
        tagged->setProperty("tag", 99);
        for (QPushButton *b : {plain, tagged}) {
            b->setFocusPolicy(Qt::NoFocus);
            b->resize(90, 28);
        }
        plain->move(10, 10);
        tagged->move(110, 10);
        window.show();
    }
    static QImage look(QWidget *w) { return w->grab().toImage(); }
};

} // namespace

class TestSkinData : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qApp->setStyleSheet(QString()); }

    void sheetHoldsEnabledKindsOnly_data();
    void sheetHoldsEnabledKindsOnly();
    void everySelectorAsksForSkinOn();
    void taggedWidgetKeepsPlainLook();
    void topLevelDialogsAreSkinned();
    void listViewIsUnaffected();
};

void TestSkinData::sheetHoldsEnabledKindsOnly_data()
{
    QTest::addColumn<TSkinData::SkinControls>("controls");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("all") << TSkinData::SkinControls(TSkinData::xcAll)
                         << QStringList{u"QPushButton["_s, u"QStatusBar QLabel["_s,
                                        u"TAIFileDropPan["_s, u"QScrollBar["_s, u"QMainWindow["_s}
                         << QStringList{u"QListView"_s, u"font-"_s, u"font:"_s};
    QTest::newRow("no buttons") << (TSkinData::SkinControls(TSkinData::xcAll) &
                                    ~TSkinData::xcButton)
                                << QStringList{u"QToolButton["_s, u"QLineEdit["_s}
                                << QStringList{u"QPushButton"_s};
    QTest::newRow("edit only") << TSkinData::SkinControls(TSkinData::xcEdit)
                               << QStringList{u"QLineEdit["_s}
                               << QStringList{u"QMenu"_s, u"QStatusBar"_s, u"QAbstractSpinBox"_s,
                                              u"QMainWindow"_s};
}

void TestSkinData::sheetHoldsEnabledKindsOnly()
{
    QFETCH(TSkinData::SkinControls, controls);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);

    TSkinData skin;
    skin.setSkinControls(controls);
    skin.setActive(true);
    const QString sheet = qApp->styleSheet();
    for (const QString &s : present)
        QVERIFY2(sheet.contains(s), qPrintable(s));
    for (const QString &s : absent)
        QVERIFY2(!sheet.contains(s), qPrintable(s));

    skin.setActive(false);
    QVERIFY(qApp->styleSheet().isEmpty());
}

// A selector without the property would also hit widgets tagged DisableTag.
void TestSkinData::everySelectorAsksForSkinOn()
{
    TSkinData skin;
    QString sheet = skin.styleSheet();
    sheet.remove(
        QRegularExpression(u"/\\*.*?\\*/"_s, QRegularExpression::DotMatchesEverythingOption));
    static const QRegularExpression rule(u"([^{}]*)\\{[^{}]*\\}"_s);
    int rules = 0;
    for (const QRegularExpressionMatch &m : rule.globalMatch(sheet)) {
        ++rules;
        for (const QString &selector : m.captured(1).split(u',')) {
            const QString s = selector.simplified();
            QVERIFY2(s.contains(uR"([skin="on"])"_s) || s.contains(uR"([skinWindow="on"])"_s),
                     qPrintable(s));
            // Labels belong to the window, except the status bar panels.
            if (s.contains(u"QLabel"_s))
                QVERIFY2(s.startsWith(u"QStatusBar "_s), qPrintable(s));
            // The window greys the edit text itself.
            if (s.startsWith(u"QLineEdit"_s))
                QVERIFY2(!m.captured(0).contains(QRegularExpression(u"[{;\\s]color:"_s)),
                         qPrintable(s));
        }
    }
    QVERIFY(rules > 20);
}

void TestSkinData::taggedWidgetKeepsPlainLook()
{
    ButtonWindow w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    const QImage plainLook = ButtonWindow::look(w.plain);
    const QImage plainTagged = ButtonWindow::look(w.tagged);

    TSkinData skin;
    skin.setActive(true);
    QCOMPARE(w.plain->property("skin").toString(), u"on"_s);
    QCOMPARE(w.tagged->property("skin").toString(), u"off"_s);
    QVERIFY(ButtonWindow::look(w.plain) != plainLook);
    QCOMPARE(ButtonWindow::look(w.tagged), plainTagged);

    // Tagging and untagging a live widget restyles it.
    w.plain->setProperty("tag", 99);
    QCOMPARE(ButtonWindow::look(w.plain), plainLook);
    w.plain->setProperty("tag", 0);
    QVERIFY(ButtonWindow::look(w.plain) != plainLook);

    // A widget created after activation is marked when polished.
    QPushButton late(u"Copy"_s, &w.window);
    late.setProperty("tag", 99);
    late.show();
    late.ensurePolished();
    QCOMPARE(late.property("skin").toString(), u"off"_s);

    // Moving DisableTag frees the tagged button.
    skin.setDisableTag(7);
    QVERIFY(ButtonWindow::look(w.tagged) != plainTagged);
    skin.setDisableTag(99);

    skin.setActive(false);
    QCOMPARE(ButtonWindow::look(w.plain), plainLook);
    QCOMPARE(ButtonWindow::look(w.tagged), plainTagged);
}

void TestSkinData::topLevelDialogsAreSkinned()
{
    TSkinData skin;
    skin.setActive(true);

    QMessageBox box(QMessageBox::Question, u"Tolvane"_s, u"Copy?"_s,
                    QMessageBox::Yes | QMessageBox::No);
    box.show();
    QFileDialog chooser(nullptr, u"Folder"_s);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.show();

    for (QWidget *dialog : {static_cast<QWidget *>(&box), static_cast<QWidget *>(&chooser)}) {
        QCOMPARE(dialog->property("skin").toString(), u"on"_s);
        const auto buttons = dialog->findChildren<QPushButton *>();
        QVERIFY(!buttons.isEmpty());
        for (QPushButton *b : buttons)
            QCOMPARE(b->property("skin").toString(), u"on"_s);
    }
    box.hide();
    chooser.hide();
}

void TestSkinData::listViewIsUnaffected()
{
    QWidget window;
    window.resize(200, 150);
    auto *layout = new QVBoxLayout(&window);
    auto *model = new QStringListModel({u"a.txt"_s, u"b.txt"_s}, &window);
    auto *list = new QListView(&window);
    list->setModel(model);
    layout->addWidget(list);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage before = list->grab().toImage();

    TSkinData skin;
    skin.setActive(true);
    QCOMPARE(list->grab().toImage(), before);
}

QTEST_MAIN(TestSkinData)
#include "tst_skindata.moc"
