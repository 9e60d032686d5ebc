#pragma once

#include "platform/FileCopy.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>

#include <memory>

// Runs one file copy on a worker thread so the window keeps painting and
// taking input while a large file is written.
class CopyJob : public QObject
{
    Q_OBJECT

public:
    explicit CopyJob(QObject *parent = nullptr);
    ~CopyJob() override;

    void setOptions(const FileCopy::Options &options) { m_options = options; }

    // True from start() until finished() has been emitted.
    bool isBusy() const { return m_busy; }
    void start(const QByteArray &source, const QByteArray &folder);
    // Asks the worker to stop and waits for it; the worker removes its temporary file.
    void cancelAndWait();
    // Blocks until the worker is done and finished() has been emitted.
    void waitForFinished();

    qint64 elapsedMs() const { return m_busy ? m_clock.elapsed() : 0; }
    // 0..100, or -1 while the size is not known yet.
    int percent() const;

signals:
    void finished(const FileCopy::Result &result);

private:
    void deliver();

    std::shared_ptr<FileCopy::Control> m_control;
    QFutureWatcher<FileCopy::Result> m_watcher;
    QElapsedTimer m_clock;
    FileCopy::Options m_options;
    bool m_busy = false;
};
