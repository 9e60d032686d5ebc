#pragma once

// Small helpers for tests that work on real files in temporary folders.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTest>

#include <algorithm>
#include <filesystem>

#include <dirent.h>
#include <fcntl.h>
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

// Writes `content` to the raw path; returns false on any error.
inline bool write(const QByteArray &path, const QByteArray &content, mode_t mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
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
    return ::close(fd) == 0;
}

inline QByteArray read(const QByteArray &path)
{
    QByteArray content;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<missing>";
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, n);
    ::close(fd);
    return content;
}

inline bool exists(const QByteArray &path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0;
}

// Names in a folder (raw bytes: QDir would mangle names that are not UTF-8),
// sorted, without . and ..
inline QList<QByteArray> listing(const QByteArray &folder)
{
    QList<QByteArray> names;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// QTemporaryDir cannot remove names that are not UTF-8; std::filesystem can.
inline void removeTree(const QByteArray &folder)
{
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder.toStdString()), ignored);
}

// Content that differs at every offset, so a truncated or shifted copy shows.
inline QByteArray pattern(qsizetype size, char seed = 0)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char((i * 131 + (i >> 9) + seed) & 0xff);
    return data;
}

} // namespace TestFiles
