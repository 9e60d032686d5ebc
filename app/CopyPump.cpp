#include "app/CopyPump.h"

#include "app/CopyQueue.h"
#include "platform/RawPath.h"

namespace {
constexpr qint64 ProgressAfterMs = 1000;
}

CopyPump::CopyPump(CopyQueue *queue, QObject *parent) : QObject(parent), m_queue(queue), m_job(this)
{
    m_status[2] = dragHintText();
    connect(&m_job, &CopyJob::finished, this, &CopyPump::onCopyFinished);
}

void CopyPump::tick()
{
    if (m_job.isBusy()) {
        if (m_job.elapsedMs() > ProgressAfterMs)
            setStatus(2, copyingText());
    } else if (const int head = m_queue->firstWaiting(); head >= 0 && !m_destination.isEmpty()) {
        if (RawPath::isExistingFolder(m_destination)) {
            m_copyingId = m_queue->id(head);
            m_copyingName = RawPath::display(RawPath::fileName(m_queue->path(head)));
            m_showingFailure = false;
            m_queue->setCopying(head);
            setStatus(2, copyingText());
            m_job.start(m_queue->path(head), m_destination);
        } else {
            setStatus(2, missingFolderText());
        }
    } else if (!m_showingFailure) {
        setStatus(2, CopiedCount == 0 ? dragHintText() : advertText());
    }
    setStatus(0, QStringLiteral("已复制%1个文件").arg(CopiedCount));
    setStatus(1, QStringLiteral("还有%1个文件").arg(m_queue->pendingCount()));
}

bool CopyPump::isSettled() const
{
    return !m_job.isBusy() && (m_destination.isEmpty() || m_queue->firstWaiting() < 0);
}

QString CopyPump::copyingText() const
{
    QString text = QStringLiteral("正在复制%1...").arg(m_copyingName);
    if (m_job.elapsedMs() > ProgressAfterMs) {
        if (const int percent = m_job.percent(); percent >= 0)
            text += QStringLiteral(" %1%").arg(percent);
    }
    return text;
}

void CopyPump::onCopyFinished(const FileCopy::Result &result)
{
    const int row = m_queue->rowOf(m_copyingId);
    m_copyingId = 0;
    if (result.ok()) {
        ++CopiedCount;
        if (row >= 0)
            m_queue->removeCopied(row);
    } else {
        if (row >= 0)
            m_queue->setFailed(row, result.message);
        m_showingFailure = true;
        setStatus(2, QStringLiteral("复制失败：%1").arg(m_copyingName));
    }
    emit copyFinished(result.ok());
}

void CopyPump::setStatus(int panel, const QString &text)
{
    QString &current = m_status.at(size_t(panel));
    if (current == text)
        return;
    current = text;
    emit statusChanged(panel, text);
}
