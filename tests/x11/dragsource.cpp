// A drag source for the X11 tests: a small window that, when dragged from,
// offers the paths given on its command line as text/uri-list.
//
//   tolvane_dragsource [--pos X,Y] [--title TITLE] [--timeout SECONDS] [--list FILE] PATH...
//
// --list adds the paths in FILE, one a line, for drops too big for a command line.
//
// Prints "ready" once its window is shown and "drop: <action>" when the drag
// ends (copy, move, link or ignore), then exits a few seconds later: 0 when the
// target took the drop, 1 when it refused it, 2 on bad arguments or timeout.

#include <QApplication>
#include <QByteArrayList>
#include <QDrag>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int LingerMs = 3000;

// Built from the raw argv bytes: going through QString or QUrl would turn a
// name that is not UTF-8 into replacement characters.
QByteArray uriList(const QByteArrayList &paths)
{
    QByteArrayList uris;
    uris.reserve(paths.size());
    for (const QByteArray &path : paths)
        uris.append("file://" + path.toPercentEncoding("/"));
    return uris.join("\r\n") + "\r\n";
}

const char *actionName(Qt::DropAction action)
{
    switch (action) {
    case Qt::CopyAction:
        return "copy";
    case Qt::MoveAction:
        return "move";
    case Qt::LinkAction:
        return "link";
    default:
        return "ignore";
    }
}

class DragSource : public QLabel
{
public:
    explicit DragSource(QByteArray uris, QWidget *parent = nullptr)
        : QLabel(QStringLiteral("drag me"), parent), m_uris(std::move(uris))
    {
        setAlignment(Qt::AlignCenter);
        setFrameShape(QFrame::Box);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            m_pressPos = event->position().toPoint();
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!(event->buttons() & Qt::LeftButton) || m_dragging)
            return;
        if ((event->position().toPoint() - m_pressPos).manhattanLength() <
            QApplication::startDragDistance())
            return;
        m_dragging = true;
        auto *drag = new QDrag(this);
        auto *mime = new QMimeData; // the drag takes ownership
        mime->setData(QStringLiteral("text/uri-list"), m_uris);
        drag->setMimeData(mime);
        const Qt::DropAction result = drag->exec(Qt::CopyAction, Qt::CopyAction);
        std::printf("drop: %s\n", actionName(result));
        std::fflush(stdout);
        // The target fetches the data only after the drop is reported here, from
        // this process: stay a little while to serve it.
        const int code = result == Qt::IgnoreAction ? 1 : 0;
        QTimer::singleShot(LingerMs, this, [code] { QApplication::exit(code); });
    }

private:
    QByteArray m_uris;
    QPoint m_pressPos;
    bool m_dragging = false;
};

int usage()
{
    std::fputs("usage: tolvane_dragsource [--pos X,Y] [--title TITLE] [--timeout SECONDS] "
               "[--list FILE] PATH...\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // Read the paths before QApplication sees argv; it may drop arguments it knows.
    QByteArrayList paths;
    QPoint pos(0, 0);
    QString title = QStringLiteral("tolvane-dragsource");
    int timeoutSeconds = 60;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg == "--pos" && i + 1 < argc) {
            const QByteArrayList xy = QByteArray(argv[++i]).split(',');
            if (xy.size() != 2)
                return usage();
            pos = QPoint(xy.at(0).toInt(), xy.at(1).toInt());
        } else if (!optionsDone && arg == "--title" && i + 1 < argc) {
            title = QString::fromLocal8Bit(argv[++i]);
        } else if (!optionsDone && arg == "--timeout" && i + 1 < argc) {
            timeoutSeconds = QByteArray(argv[++i]).toInt();
        } else if (!optionsDone && arg == "--list" && i + 1 < argc) {
            QFile list(QString::fromLocal8Bit(argv[++i]));
            if (!list.open(QIODevice::ReadOnly))
                return usage();
            // Raw bytes, as from argv: a name need not be UTF-8.
            for (const QByteArray &line : list.readAll().split('\n')) {
                if (!line.isEmpty())
                    paths.append(line);
            }
        } else if (!optionsDone && arg.startsWith("--")) {
            return usage();
        } else {
            paths.append(arg);
        }
    }
    if (paths.isEmpty())
        return usage();

    QApplication app(argc, argv);
    DragSource window(uriList(paths));
    window.setWindowTitle(title);
    window.setFixedSize(120, 80);
    window.move(pos);
    window.show();

    QTimer::singleShot(0, &window, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    // Never outlive a test run that lost track of this window.
    QTimer::singleShot(timeoutSeconds * 1000, &app, [] {
        std::puts("drop: timeout");
        std::fflush(stdout);
        QApplication::exit(2);
    });
    return app.exec();
}
