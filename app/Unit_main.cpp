#include "app/Unit_main.h"

#include "app/CopyPump.h"
#include "app/CopyQueue.h"
#include "app/StatusPanels.h"
#include "components/FileDropPan.h"
#include "components/IdleTimer.h"
#include "components/SkinData.h"
#include "platform/RawPath.h"
#include "tolvane_version.h"
#include "util/ShellHelpers.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyledItemDelegate>

namespace {

constexpr int ItemHeight = 14;

class FixedHeightDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), ItemHeight};
    }
};

QFont windowFont()
{
    // "宋体" on Windows; a Song (Ming) face elsewhere.
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")});
    font.setPixelSize(14);
    return font;
}

} // namespace

TForm_main::TForm_main(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form_main"));
    m_queue = new CopyQueue(this);
    m_pump = new CopyPump(m_queue, this);
    buildLayout();
    FormCreate(this);
}

TForm_main::~TForm_main()
{
    // Stop a running copy before the queue it reports to goes away.
    m_pump->cancel();
}

void TForm_main::buildLayout()
{
    setWindowTitle(QStringLiteral("Tolvane"));
    setFixedSize(432, 149);
    move(422, 241);
    setFont(windowFont());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    AIFileDropPan1 = new TAIFileDropPan(this);
    AIFileDropPan1->setObjectName(QStringLiteral("AIFileDropPan1"));
    AIFileDropPan1->setGeometry(3, 3, 423, 45);

    Label1 = new QLabel(QStringLiteral("保存位置"), AIFileDropPan1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(4, 11, 56, 14);

    Edit1 = new QLineEdit(AIFileDropPan1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(68, 6, 315, 22);
    Edit1->setFont(windowFont());
    Edit1->setPlaceholderText(QStringLiteral("请先拖入或选择要保存的文件位置"));
    QPalette grey = Edit1->palette();
    grey.setColor(QPalette::Text, Qt::gray);
    grey.setColor(QPalette::PlaceholderText, Qt::gray);
    Edit1->setPalette(grey);

    Button1 = new QPushButton(QStringLiteral("..."), AIFileDropPan1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(388, 6, 30, 25);

    AIFileDropPan2 = new TAIFileDropPan(this);
    AIFileDropPan2->setObjectName(QStringLiteral("AIFileDropPan2"));
    AIFileDropPan2->setGeometry(2, 53, 417, 61);

    ListBox1 = new QListView(AIFileDropPan2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(1, 1, 415, 59);
    ListBox1->setModel(m_queue);
    ListBox1->setItemDelegate(new FixedHeightDelegate(ListBox1));
    ListBox1->setUniformItemSizes(true); // 100,000 rows must not be measured one by one
    ListBox1->setIconSize({12, 12});
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox1->setDragDropMode(QAbstractItemView::NoDragDrop);
    ListBox1->setFrameShape(QFrame::NoFrame);

    StatusBar1 = new StatusPanels(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setGeometry(0, 125, 432, 24);
    StatusBar1->setCursor(Qt::PointingHandCursor);
    StatusBar1->setToolTip(QStringLiteral("联系作者"));
    StatusBar1->setPanelText(2, CopyPump::dragHintText());

    SkinData1 = new TSkinData(this);
    SkinData1->setObjectName(QStringLiteral("SkinData1"));
    SkinData1->setActive(true);

    IdleTimer1 = new TIdleTimer(this);
    IdleTimer1->setObjectName(QStringLiteral("IdleTimer1"));

    // Tab order: the queue first, then the destination row.
    setTabOrder(ListBox1, Edit1);
    setTabOrder(Edit1, Button1);
    ListBox1->setFocus();

    AIFileDropPan1->OnDragFile = [this](QObject *sender, const QList<QByteArray> &files) {
        AIFileDropPan1DragFile(sender, files);
    };
    AIFileDropPan2->OnDragFile = [this](QObject *sender, const QList<QByteArray> &files) {
        AIFileDropPan2DragFile(sender, files);
    };
    connect(IdleTimer1, &QTimer::timeout, this, [this] { IdleTimer1Timer(IdleTimer1); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
    connect(StatusBar1, &StatusPanels::clicked, this, [this] { StatusBar1Click(StatusBar1); });
    connect(m_pump, &CopyPump::statusChanged, StatusBar1, &StatusPanels::setPanelText);
    connect(Edit1, &QLineEdit::editingFinished, this, &TForm_main::commitTypedDestination);
    connect(m_queue, &QAbstractItemModel::rowsInserted, this, &TForm_main::wakeClock);
    connect(m_queue, &QAbstractItemModel::dataChanged, this, &TForm_main::wakeClock);

    auto *retry = new QAction(QStringLiteral("重试"), ListBox1);
    retry->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    retry->setShortcutContext(Qt::WidgetShortcut);
    connect(retry, &QAction::triggered, this, &TForm_main::retrySelected);
    auto *remove = new QAction(QStringLiteral("移除"), ListBox1);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, &TForm_main::removeSelected);
    auto *clearFailed = new QAction(QStringLiteral("清除失败项"), ListBox1);
    connect(clearFailed, &QAction::triggered, m_queue, &CopyQueue::removeFailed);
    ListBox1->addActions({retry, remove, clearFailed});
    ListBox1->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(ListBox1, &QAbstractItemView::doubleClicked, this, &TForm_main::retrySelected);
}

void TForm_main::FormCreate(QObject *)
{
    m_pump->resetCopiedCount();
}

int TForm_main::CopiedCount() const
{
    return m_pump->copiedCount();
}

QByteArray TForm_main::destination() const
{
    return m_pump->destination();
}

void TForm_main::setDestination(const QByteArray &folder)
{
    m_destinationShown = RawPath::display(folder);
    Edit1->setText(m_destinationShown);
    m_pump->setDestination(folder);
    wakeClock();
}

void TForm_main::commitTypedDestination()
{
    const QString text = Edit1->text();
    if (text == m_destinationShown)
        return; // untouched: keep the exact bytes, which may not survive a round trip
    m_destinationShown = text;
    m_pump->setDestination(RawPath::fromUser(text));
    wakeClock();
}

void TForm_main::AIFileDropPan1DragFile(QObject *, const QList<QByteArray> &FileList)
{
    // Only the first dropped path counts, and only when it is a folder.
    if (!FileList.isEmpty() && RawPath::isExistingFolder(FileList.first()))
        setDestination(FileList.first());
}

void TForm_main::Button1Click(QObject *)
{
    const QByteArray current = destination();
    QString folder;
    if (RawPath::isExistingFolder(current))
        folder = QFile::decodeName(current);
    // Cancel keeps the destination the user already has.
    if (SelectFolder(false, folder, this))
        setDestination(RawPath::fromUser(folder));
}

QString TForm_main::homePage()
{
    return QStringLiteral(TOLVANE_HOME_URL);
}

void TForm_main::StatusBar1Click(QObject *)
{
    OpenWithShell(homePage(), QString());
}

void TForm_main::AIFileDropPan2DragFile(QObject *, const QList<QByteArray> &FileList)
{
    m_queue->appendFiles(FileList);
}

void TForm_main::IdleTimer1Timer(QObject *)
{
    m_pump->tick();
    // Every wake-up costs CPU even when the tick changes nothing; sleep until
    // the queue or the destination changes. The texts of this pass are set.
    if (m_pump->isSettled())
        IdleTimer1->sleep();
}

void TForm_main::wakeClock()
{
    IdleTimer1->wake();
}

void TForm_main::retrySelected()
{
    const QModelIndex current = ListBox1->currentIndex();
    if (current.isValid())
        m_queue->retry(current.row());
}

void TForm_main::removeSelected()
{
    const QModelIndex current = ListBox1->currentIndex();
    if (current.isValid())
        m_queue->remove(current.row());
}

void TForm_main::closeEvent(QCloseEvent *event)
{
    IdleTimer1->setEnabled(false);
    m_pump->cancel();
    QWidget::closeEvent(event);
}
