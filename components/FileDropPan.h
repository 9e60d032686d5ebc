#pragma once

#include <QByteArray>
#include <QFrame>
#include <QList>

#include <functional>

class QObject;

// The drop event: the panel that was dropped on and the dropped paths
// (raw file-system bytes, in delivery order).
using TDragFileEvent = std::function<void(QObject *Sender, const QList<QByteArray> &FileList)>;

// A sunken panel that takes files dropped from the desktop anywhere over it,
// its children included, and reports each drop as one list of paths.
class TAIFileDropPan : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(bool AcceptFile READ AcceptFile WRITE setAcceptFile)

public:
    explicit TAIFileDropPan(QWidget *parent = nullptr);

    bool AcceptFile() const { return m_AcceptFile; }
    void setAcceptFile(bool accept);

    TDragFileEvent OnDragFile;

    // The paths of the latest drop.
    const QList<QByteArray> &FileList() const { return m_FileList; }

protected:
    bool event(QEvent *event) override;
    void childEvent(QChildEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void refuseDropsBelow();

    bool m_AcceptFile = false;
    QList<QByteArray> m_FileList;
};
