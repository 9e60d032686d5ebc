#pragma once

// Small helpers for tests that work on real files in temporary folders.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TestFiles {

inline QByteArray join(const QByteArray &folder, const QByteArray &name)
{
    return folder + '/' + name;
}

inline QByteArray raw(const QString &path)
{
    return QFile::encodeName(path);
}

// Writes `content` to the raw path with exactly `mode` (no umask); returns
// false on any error.
inline bool write(const QByteArray &path, const QByteArray &content, mode_t mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += n;
    }
    // After the data, so no write can clear a setuid bit.
    const bool modeSet = ::fchmod(fd, mode) == 0;
    return ::close(fd) == 0 && modeSet;
}

inline QByteArray read(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArrayLiteral("<unreadable>");
    QByteArray content;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, n);
    ::close(fd);
    return n < 0 ? QByteArrayLiteral("<unreadable>") : content;
}

inline bool exists(const QByteArray &path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0;
}

// Names in a folder (raw bytes: QDir would mangle names that are not UTF-8),
// sorted, without . and ..; a missing folder lists as {"<no folder>"}, so it
// never passes for an empty one.
inline QList<QByteArray> listing(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return {QByteArrayLiteral("<no folder>")};
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// QTemporaryDir cannot remove names that are not UTF-8; std::filesystem can.
inline void removeTree(const QByteArray &folder)
{
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder.toStdString()), ignored);
}

// A temporary folder addressed by raw paths, removed whatever names it holds.
class Sandbox
{
public:
    Sandbox() { m_dir.setAutoRemove(false); }
    ~Sandbox() { removeTree(root()); }
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    QByteArray root() const { return raw(m_dir.path()); }
    QByteArray path(const QByteArray &relative) const { return join(root(), relative); }

private:
    QTemporaryDir m_dir;
};

// Content that differs at every offset, so a truncated or shifted copy shows.
inline QByteArray pattern(qsizetype size, char seed = 0)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char((i * 131 + (i >> 9) + seed) & 0xff);
    return data;
}

// While alive, writes past `bytes` fail with EFBIG instead of killing the
// process: the way to make a copy fail when running as root.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        struct sigaction ignore
        {
        };
        ignore.sa_handler = SIG_IGN;
        m_handlerSaved = ::sigaction(SIGXFSZ, &ignore, &m_oldAction) == 0;
        m_limitSaved = ::getrlimit(RLIMIT_FSIZE, &m_oldLimit) == 0;
        rlimit limit = m_oldLimit;
        limit.rlim_cur = bytes;
        m_active = m_handlerSaved && m_limitSaved && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_limitSaved)
            ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        if (m_handlerSaved)
            ::sigaction(SIGXFSZ, &m_oldAction, nullptr);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool active() const { return m_active; }

private:
    struct sigaction m_oldAction
    {
    };
    rlimit m_oldLimit{};
    bool m_handlerSaved = false;
    bool m_limitSaved = false;
    bool m_active = false;
};

} // namespace TestFiles
