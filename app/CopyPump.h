#pragma once

#include "platform/CopyJob.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>

class CopyQueue;

// Empties the queue into the destination folder, at most one file per tick,
// and keeps the three status texts. The copy itself runs on a worker thread;
// a tick never starts a copy while another is running.
class CopyPump : public QObject
{
    Q_OBJECT

public:
    static constexpr int PanelCount = 3;

    CopyPump(CopyQueue *queue, QObject *parent = nullptr);

    static QString dragHintText() { return QStringLiteral("将文件拖入中间框中自动开始复制"); }
    static QString advertText() { return QStringLiteral("专业定做软件－－Brevandel软件工作室"); }
    static QString missingFolderText() { return QStringLiteral("保存位置不存在"); }

    // The folder that copies go to, as raw bytes; empty means none is set.
    void setDestination(const QByteArray &folder) { m_destination = folder; }
    QByteArray destination() const { return m_destination; }

    // Successful copies since the window was created.
    int copiedCount() const { return CopiedCount; }
    void resetCopiedCount() { CopiedCount = 0; }

    // One pass of the pump.
    void tick();

    bool isCopying() const { return m_job.isBusy(); }
    // Nothing a tick could do until the queue or the destination changes.
    bool isSettled() const;
    // For shutdown: stop the running copy; its temporary file goes with it.
    void cancel() { m_job.cancelAndWait(); }
    // Blocks until the running copy is done and its outcome applied.
    void waitForCopy() { m_job.waitForFinished(); }
    CopyJob &job() { return m_job; }

    QString statusText(int panel) const { return m_status.at(size_t(panel)); }

signals:
    // Only emitted when the text really changes, so an idle tick repaints nothing.
    void statusChanged(int panel, const QString &text);
    // A copy has ended, successfully or not.
    void copyFinished(bool ok);

private:
    void setStatus(int panel, const QString &text);
    void onCopyFinished(const FileCopy::Result &result);
    QString copyingText() const;

    CopyQueue *m_queue;
    CopyJob m_job;
    QByteArray m_destination;
    int CopiedCount = 0;
    quint64 m_copyingId = 0;
    QString m_copyingName;
    // A failure stays on display until the next copy starts.
    bool m_showingFailure = false;
    std::array<QString, PanelCount> m_status;
};
