#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QFutureWatcher>
#include <QList>
#include <QString>

// The files waiting to be copied, in drop order. Entries whose copy failed stay
// in the list, marked, until the user retries or removes them; the pump passes
// over them.
class CopyQueue : public QAbstractListModel
{
    Q_OBJECT

public:
    enum class State : quint8
    {
        Waiting,
        Copying,
        Failed
    };
    enum Role
    {
        RawPathRole = Qt::UserRole + 1,
        StateRole
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // Appends, in order, the paths that name regular files (or links to them).
    // A large drop is checked on a worker thread, so the window keeps
    // responding, and enters the queue when that is done; drops always enter
    // in the order they were made. Returns how many entered at once.
    int appendFiles(const QList<QByteArray> &paths);
    // Drops still being checked.
    bool isTakingIn() const { return !m_intakes.isEmpty(); }
    // Up to this many paths are checked right away.
    static constexpr qsizetype ImmediateIntakeLimit = 2000;

    int count() const { return int(m_entries.size()); }
    // Entries not marked failed: waiting or being copied.
    int pendingCount() const { return count() - m_failedCount; }
    int failedCount() const { return m_failedCount; }

    // Row of the first entry that is waiting, or -1.
    int firstWaiting() const;
    QByteArray path(int row) const { return m_entries.at(row).path; }
    State state(int row) const { return m_entries.at(row).state; }
    QString error(int row) const { return m_entries.at(row).error; }
    quint64 id(int row) const { return m_entries.at(row).id; }
    int rowOf(quint64 id) const;

    void setCopying(int row);
    void setFailed(int row, const QString &reason);
    // Back to waiting; only failed entries can be retried.
    bool retry(int row);
    // Removes the row unless it is being copied; returns whether it was removed.
    bool remove(int row);
    void removeFailed();
    // Takes out an entry whose copy has succeeded.
    void removeCopied(int row);

private:
    struct Entry
    {
        QByteArray path;
        QString error;
        quint64 id = 0;
        State state = State::Waiting;
    };

    void setState(int row, State state, const QString &error = {});
    void removeAt(int row);
    int appendChecked(QList<QByteArray> files);
    void takeFinishedIntakes();

    QList<Entry> m_entries;
    QList<QFutureWatcher<QList<QByteArray>> *> m_intakes;
    int m_failedCount = 0;
    quint64 m_nextId = 1;
};
