#include "platform/FileCopy.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileCopy {
namespace {

constexpr size_t kCopyChunk = size_t{8} << 20;  // per copy_file_range call
constexpr size_t kBufferSize = size_t{1} << 20; // read/write fallback
constexpr int kNameAttempts = 100;

template <typename Call> auto retryOnEintr(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    // Only reached on failure paths, where the copy is already lost.
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // The descriptor is gone even on EINTR, and the data was synced before.
    bool close()
    {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0 || errno == EINTR;
    }

private:
    int m_fd;
};

// A hidden name in the destination folder, removed unless it was renamed into place.
class TempName
{
public:
    explicit TempName(int folder) : m_folder(folder) {}
    ~TempName()
    {
        if (!m_name.isEmpty())
            ::unlinkat(m_folder, m_name.constData(), 0); // best effort; already failing
    }
    TempName(const TempName &) = delete;
    TempName &operator=(const TempName &) = delete;

    const char *get() const { return m_name.constData(); }
    void set(QByteArray name) { m_name = std::move(name); }
    void release() { m_name.clear(); }

    // Calls create(name) with fresh random names until one is not taken.
    template <typename Create> bool claim(Create create)
    {
        static constexpr char kChars[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            QByteArray name = QByteArrayLiteral(".tolvane-");
            for (int i = 0; i < 6; ++i)
                name += kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)];
            if (create(name.constData())) {
                set(std::move(name));
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

private:
    int m_folder;
    QByteArray m_name;
};

// strerror_r comes in a GNU flavour (returns the text) and an XSI one (fills the buffer).
[[maybe_unused]] QString strerrorText(const char *text, const char *)
{
    return QString::fromLocal8Bit(text);
}
[[maybe_unused]] QString strerrorText(int, const char *buffer)
{
    return QString::fromLocal8Bit(buffer);
}

QString reasonText(int err)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘空间不足");
    case EFBIG:
        return QStringLiteral("文件太大");
    case EROFS:
        return QStringLiteral("保存位置只读");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case ENOENT:
        return QStringLiteral("文件不存在");
    case EISDIR:
        return QStringLiteral("目标位置是一个文件夹");
    default: {
        char buffer[256] = {};
        return QStringLiteral("复制失败：") +
               strerrorText(::strerror_r(err, buffer, sizeof buffer), buffer);
    }
    }
}

Result failed(int err, const QString &message)
{
    return {Status::Failed, err, message};
}

Result failedAt(int err, const QString &step)
{
    return failed(err, reasonText(err) + QStringLiteral("（") + step + QStringLiteral("）"));
}

bool sameInode(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = retryOnEintr([&] { return ::write(fd, data, size); });
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

#ifdef __linux__
// copy_file_range refuses some pairs of files; read/write reports any real error.
bool copyRangeUnsupported(int err)
{
    return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF ||
           err == EPERM || err == ETXTBSY;
}
#endif

} // namespace

Result copyIntoFolder(const QByteArray &source, const QByteArray &folder, Control &control,
                      const Options &options)
{
    control.bytesDone = 0;
    control.bytesTotal = -1;
    const QByteArray name = source.mid(source.lastIndexOf('/') + 1);

    // O_NONBLOCK so that a FIFO cannot hang the open.
    Fd in(retryOnEintr(
        [&] { return ::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }));
    if (!in.valid()) {
        if (errno == ENOENT || errno == ENOTDIR)
            return failed(errno, QStringLiteral("源文件不存在"));
        return failedAt(errno, QStringLiteral("打开源文件"));
    }
    struct stat sourceStat = {};
    if (::fstat(in.get(), &sourceStat) != 0)
        return failedAt(errno, QStringLiteral("读取源文件信息"));
    if (!S_ISREG(sourceStat.st_mode))
        return failed(0, QStringLiteral("不是普通文件"));
    const int flags = ::fcntl(in.get(), F_GETFL);
    if (flags == -1 || ::fcntl(in.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return failedAt(errno, QStringLiteral("打开源文件"));

    // Everything below is relative to this descriptor, so the folder cannot change under us.
    Fd dir(retryOnEintr(
        [&] { return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    if (!dir.valid()) {
        if (errno == ENOENT || errno == ENOTDIR)
            return failed(errno, QStringLiteral("保存位置不存在"));
        return failedAt(errno, QStringLiteral("打开保存位置"));
    }

    struct stat sourceLink = {};
    if (::lstat(source.constData(), &sourceLink) != 0)
        return failedAt(errno, QStringLiteral("读取源文件信息"));
    struct stat targetStat = {};
    if (::fstatat(dir.get(), name.constData(), &targetStat, AT_SYMLINK_NOFOLLOW) == 0) {
        if (sameInode(targetStat, sourceLink) ||
            (!S_ISLNK(targetStat.st_mode) && sameInode(targetStat, sourceStat)))
            return failed(0, sameFileMessage());
        if (S_ISDIR(targetStat.st_mode))
            return failedAt(EISDIR, QStringLiteral("检查目标文件"));
    } else if (errno != ENOENT) {
        return failedAt(errno, QStringLiteral("检查目标文件"));
    }

    Fd out;
    TempName temp(dir.get());
#ifdef O_TMPFILE
    if (options.anonymousTemp) {
        out.reset(retryOnEintr(
            [&] { return ::openat(dir.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600); }));
        if (!out.valid() && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL &&
            errno != ENOENT)
            return failedAt(errno, QStringLiteral("创建临时文件"));
    }
    const bool anonymous = out.valid();
#else
    Q_UNUSED(options);
    const bool anonymous = false;
#endif
    if (!anonymous && !temp.claim([&](const char *tempName) {
            out.reset(retryOnEintr([&] {
                return ::openat(dir.get(), tempName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            }));
            return out.valid();
        }))
        return failedAt(errno, QStringLiteral("创建临时文件"));

    control.bytesTotal = sourceStat.st_size;
    qint64 done = 0;
#ifdef __linux__
    bool useCopyRange = true;
    bool useSyncRange = true;
#else
    const bool useCopyRange = false;
#endif
    std::vector<char> buffer;
    for (;;) {
        if (control.cancel)
            return {Status::Cancelled, 0, QStringLiteral("已取消")};
        ssize_t n = 0;
#ifdef __linux__
        if (useCopyRange) {
            n = retryOnEintr([&] {
                return ::copy_file_range(in.get(), nullptr, out.get(), nullptr, kCopyChunk, 0);
            });
            // Files such as those in /proc claim to be empty to copy_file_range.
            if ((n < 0 && copyRangeUnsupported(errno)) || (n == 0 && done == 0)) {
                useCopyRange = false;
                continue;
            }
            if (n < 0)
                return failedAt(errno, QStringLiteral("复制数据"));
        }
#endif
        if (!useCopyRange) {
            if (buffer.empty())
                buffer.resize(kBufferSize);
            n = retryOnEintr([&] { return ::read(in.get(), buffer.data(), buffer.size()); });
            if (n < 0)
                return failedAt(errno, QStringLiteral("读取源文件"));
            if (!writeAll(out.get(), buffer.data(), size_t(n)))
                return failedAt(errno, QStringLiteral("写入临时文件"));
        }
        if (n == 0)
            break;
#ifdef __linux__
        // Start writeback now, so the final fsync is short and a cancel is not stuck behind it.
        if (useSyncRange && ::sync_file_range(out.get(), done, n, SYNC_FILE_RANGE_WRITE) != 0) {
            if (errno != ENOSYS && errno != EINVAL && errno != ESPIPE && errno != EOPNOTSUPP)
                return failedAt(errno, QStringLiteral("写入临时文件"));
            useSyncRange = false;
        }
#endif
        done += n;
        control.bytesDone = done;
    }

    if (::fchmod(out.get(), sourceStat.st_mode & 0777) != 0)
        return failedAt(errno, QStringLiteral("设置权限"));
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (::futimens(out.get(), times) != 0)
        return failedAt(errno, QStringLiteral("设置修改时间"));
    if (::fsync(out.get()) != 0)
        return failedAt(errno, QStringLiteral("写入磁盘"));

#ifdef O_TMPFILE
    // An unnamed file cannot be renamed over the target directly; give it a hidden name first.
    if (anonymous) {
        const QByteArray self = QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(out.get());
        if (!temp.claim([&](const char *tempName) {
                return ::linkat(AT_FDCWD, self.constData(), dir.get(), tempName,
                                AT_SYMLINK_FOLLOW) == 0;
            }))
            return failedAt(errno, QStringLiteral("保存临时文件"));
    }
#endif
    if (!out.close())
        return failedAt(errno, QStringLiteral("关闭临时文件"));
    if (::renameat(dir.get(), temp.get(), dir.get(), name.constData()) != 0)
        return failedAt(errno, QStringLiteral("替换目标文件"));
    temp.release();
    // The target is in place already; a failure here only means it may not survive a crash.
    if (::fsync(dir.get()) != 0)
        return failedAt(errno, QStringLiteral("同步保存位置"));
    return {Status::Copied, 0, QString()};
}

} // namespace FileCopy
