#include "platform/CopyJob.h"

#include <QtConcurrent/QtConcurrentRun>

CopyJob::CopyJob(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &CopyJob::deliver);
}

CopyJob::~CopyJob()
{
    cancelAndWait();
}

void CopyJob::start(const QByteArray &source, const QByteArray &folder)
{
    Q_ASSERT(!m_busy);
    m_busy = true;
    // The worker keeps its own reference: the control outlives this job if need be.
    m_control = std::make_shared<FileCopy::Control>();
    m_clock.start();
    m_watcher.setFuture(
        QtConcurrent::run([control = m_control, source, folder, options = m_options]() {
            return FileCopy::copyIntoFolder(source, folder, *control, options);
        }));
}

void CopyJob::cancelAndWait()
{
    if (!m_busy)
        return;
    m_control->cancel = true;
    m_watcher.waitForFinished();
    m_busy = false; // a cancelled copy reports nothing
}

void CopyJob::waitForFinished()
{
    if (!m_busy)
        return;
    m_watcher.waitForFinished();
    deliver();
}

int CopyJob::percent() const
{
    if (!m_control)
        return -1;
    const qint64 total = m_control->bytesTotal;
    if (total < 0)
        return -1;
    if (total == 0)
        return 100;
    return int(m_control->bytesDone * 100 / total);
}

void CopyJob::deliver()
{
    // Both the watcher's signal and waitForFinished() may get here for one copy.
    if (!m_busy || !m_watcher.isFinished())
        return;
    m_busy = false;
    emit finished(m_watcher.result());
}
