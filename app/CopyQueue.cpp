#include "app/CopyQueue.h"

#include "platform/RawPath.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QStyle>
#include <QtConcurrent/QtConcurrentRun>

int CopyQueue::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant CopyQueue::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Entry &entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return RawPath::display(entry.path);
    case Qt::ToolTipRole:
        if (entry.state == State::Failed)
            return QStringLiteral("复制失败：%1").arg(entry.error);
        return RawPath::display(entry.path);
    case Qt::ForegroundRole:
        if (entry.state == State::Failed)
            return QBrush(QColor(0xb0, 0x00, 0x20));
        return {};
    case Qt::DecorationRole:
        if (entry.state == State::Failed &&
            qobject_cast<QApplication *>(QCoreApplication::instance()))
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
        return {};
    case RawPathRole:
        return entry.path;
    case StateRole:
        return int(entry.state);
    default:
        return {};
    }
}

namespace {

QList<QByteArray> queueableFiles(const QList<QByteArray> &paths)
{
    QList<QByteArray> files;
    files.reserve(paths.size());
    for (const QByteArray &path : paths) {
        if (RawPath::isQueueableFile(path))
            files.append(path);
    }
    return files;
}

} // namespace

int CopyQueue::appendFiles(const QList<QByteArray> &paths)
{
    if (m_intakes.isEmpty() && paths.size() <= ImmediateIntakeLimit)
        return appendChecked(queueableFiles(paths));
    // One stat per path: a hundred thousand of them would hold the window.
    auto *intake = new QFutureWatcher<QList<QByteArray>>(this);
    m_intakes.append(intake);
    connect(intake, &QFutureWatcherBase::finished, this, &CopyQueue::takeFinishedIntakes);
    intake->setFuture(QtConcurrent::run(queueableFiles, paths));
    return 0;
}

void CopyQueue::takeFinishedIntakes()
{
    while (!m_intakes.isEmpty() && m_intakes.first()->isFinished()) {
        QFutureWatcher<QList<QByteArray>> *intake = m_intakes.takeFirst();
        appendChecked(intake->result());
        intake->deleteLater();
    }
}

int CopyQueue::appendChecked(QList<QByteArray> files)
{
    if (files.isEmpty())
        return 0;
    beginInsertRows({}, count(), count() + int(files.size()) - 1);
    for (QByteArray &path : files)
        m_entries.append(Entry{std::move(path), {}, m_nextId++, State::Waiting});
    endInsertRows();
    return int(files.size());
}

int CopyQueue::firstWaiting() const
{
    // Failed entries are few and sit near the head; the scan stays short.
    for (int row = 0; row < count(); ++row) {
        if (m_entries.at(row).state == State::Waiting)
            return row;
    }
    return -1;
}

int CopyQueue::rowOf(quint64 entryId) const
{
    for (int row = 0; row < count(); ++row) {
        if (m_entries.at(row).id == entryId)
            return row;
    }
    return -1;
}

void CopyQueue::setState(int row, State newState, const QString &error)
{
    Entry &entry = m_entries[row];
    if (entry.state == State::Failed)
        --m_failedCount;
    if (newState == State::Failed)
        ++m_failedCount;
    entry.state = newState;
    entry.error = error;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
}

void CopyQueue::setCopying(int row)
{
    setState(row, State::Copying);
}

void CopyQueue::setFailed(int row, const QString &reason)
{
    setState(row, State::Failed, reason);
}

bool CopyQueue::retry(int row)
{
    if (row < 0 || row >= count() || m_entries.at(row).state != State::Failed)
        return false;
    setState(row, State::Waiting);
    return true;
}

bool CopyQueue::remove(int row)
{
    if (row < 0 || row >= count() || m_entries.at(row).state == State::Copying)
        return false;
    removeAt(row);
    return true;
}

void CopyQueue::removeCopied(int row)
{
    Q_ASSERT(m_entries.at(row).state == State::Copying);
    removeAt(row);
}

void CopyQueue::removeAt(int row)
{
    beginRemoveRows({}, row, row);
    if (m_entries.at(row).state == State::Failed)
        --m_failedCount;
    m_entries.removeAt(row);
    endRemoveRows();
}

void CopyQueue::removeFailed()
{
    for (int row = count() - 1; row >= 0; --row) {
        if (m_entries.at(row).state == State::Failed)
            remove(row);
    }
}
