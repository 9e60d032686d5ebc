#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>

// Copies one file into a folder without ever leaving a partial file under the
// target's name: data goes to a hidden temporary file in the folder, is synced,
// and then renamed over the target.
namespace FileCopy {

// Shared between the copying thread and the thread that watches it.
struct Control
{
    std::atomic<bool> cancel{false};
    std::atomic<qint64> bytesDone{0};
    std::atomic<qint64> bytesTotal{-1};
};

struct Options
{
    // Use an unnamed temporary file (O_TMPFILE) where the file system offers one,
    // so a killed process leaves nothing behind. Off forces the named fallback.
    bool anonymousTemp = true;
};

enum class Status
{
    Copied,
    Failed,
    Cancelled
};

struct Result
{
    Status status = Status::Failed;
    int errorCode = 0; // errno (or platform error) of the failing step, 0 if none
    QString message;   // for the user, in Chinese; empty on success
    bool ok() const { return status == Status::Copied; }
};

// The user-facing text for the same-file refusal.
inline QString sameFileMessage()
{
    return QStringLiteral("源文件与目标文件相同");
}

// Copy `source` to `folder`/<file name of source>, replacing what stands there.
// Keeps the source's last-write time (to the nanosecond where the system has it)
// and permission bits without set-user-ID/set-group-ID. A symlink as source is
// copied as the file it points to; a symlink at the target is replaced, never
// written through. Source and target being the same file is a failure.
// Blocking; call it off the UI thread. Polls control.cancel between chunks.
Result copyIntoFolder(const QByteArray &source, const QByteArray &folder, Control &control,
                      const Options &options = {});

} // namespace FileCopy
