#include "components/FileDropPan.h"

#include "platform/RawPath.h"

#include <QChildEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

TAIFileDropPan::TAIFileDropPan(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(1);
    setAcceptFile(true);
}

void TAIFileDropPan::setAcceptFile(bool accept)
{
    m_AcceptFile = accept;
    setAcceptDrops(accept);
}

bool TAIFileDropPan::event(QEvent *event)
{
    // Children are complete by the time the panel is polished.
    if (event->type() == QEvent::Polish)
        refuseDropsBelow();
    return QFrame::event(event);
}

void TAIFileDropPan::childEvent(QChildEvent *event)
{
    QFrame::childEvent(event);
    if (event->type() == QEvent::ChildPolished || event->type() == QEvent::ChildAdded)
        refuseDropsBelow();
}

void TAIFileDropPan::refuseDropsBelow()
{
    // Qt hands a drop to the nearest widget that accepts drops; with the
    // children (edit field, list viewport...) refusing, that is this panel.
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child->acceptDrops())
            child->setAcceptDrops(false);
    }
}

void TAIFileDropPan::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TAIFileDropPan::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TAIFileDropPan::dropEvent(QDropEvent *event)
{
    m_FileList = RawPath::fromMimeData(event->mimeData());
    event->acceptProposedAction();
    if (OnDragFile)
        OnDragFile(this, m_FileList);
}
