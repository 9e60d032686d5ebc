#include "platform/FileCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace FileCopy {
namespace {

constexpr qint64 kChunk = qint64(1) << 20;

Result failed(int code, const QString &message)
{
    return {Status::Failed, code, message};
}

Result failedAt(const QFileDevice &file, const QString &step)
{
    // Qt reports no error for some failures; the code still must not read as success.
    const bool known = file.error() != QFileDevice::NoError;
    QString message = QStringLiteral("复制失败（") + step + QStringLiteral("）");
    if (known)
        message += QStringLiteral("：") + file.errorString();
    return failed(known ? int(file.error()) : int(QFileDevice::UnspecifiedError), message);
}

} // namespace

Result copyIntoFolder(const QByteArray &source, const QByteArray &folder, Control &control,
                      const Options &)
{
    control.bytesDone = 0;
    control.bytesTotal = -1;
    const QFileInfo sourceInfo(QFile::decodeName(source));
    const QFileInfo folderInfo(QFile::decodeName(folder));
    if (!sourceInfo.exists())
        return failed(0, QStringLiteral("源文件不存在"));
    if (!sourceInfo.isFile())
        return failed(0, QStringLiteral("不是普通文件"));
    if (!folderInfo.isDir())
        return failed(0, QStringLiteral("保存位置不存在"));

    const QFileInfo target(QDir(folderInfo.filePath()).filePath(sourceInfo.fileName()));
    // Windows file names ignore case.
    if (target.exists() && target.canonicalFilePath().compare(sourceInfo.canonicalFilePath(),
                                                              Qt::CaseInsensitive) == 0)
        return failed(0, sameFileMessage());
    if (target.isDir() && !target.isSymLink())
        return failed(0, QStringLiteral("目标位置是一个文件夹"));

    QFile in(sourceInfo.filePath());
    if (!in.open(QIODevice::ReadOnly))
        return failedAt(in, QStringLiteral("打开源文件"));
    // QSaveFile writes through a link at the target; the link must go instead.
    if (target.isSymLink() && !QFile::remove(target.filePath()))
        return failed(0, QStringLiteral("复制失败：无法替换目标位置的链接"));
    QSaveFile out(target.filePath());
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return failedAt(out, QStringLiteral("创建临时文件"));

    control.bytesTotal = in.size();
    QByteArray buffer(kChunk, Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        // An uncommitted QSaveFile removes its temporary file.
        if (control.cancel)
            return {Status::Cancelled, 0, QStringLiteral("已取消")};
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return failedAt(in, QStringLiteral("读取源文件"));
        if (n == 0)
            break;
        // A short write is not an error yet; the next write reports why.
        for (qint64 written = 0; written < n;) {
            const qint64 w = out.write(buffer.constData() + written, n - written);
            if (w <= 0)
                return failedAt(out, QStringLiteral("写入临时文件"));
            written += w;
        }
        done += n;
        control.bytesDone = done;
    }
    if (!out.commit())
        return failedAt(out, QStringLiteral("替换目标文件"));

    QFile copied(target.filePath());
    if (!copied.open(QIODevice::ReadWrite) ||
        !copied.setFileTime(in.fileTime(QFileDevice::FileModificationTime),
                            QFileDevice::FileModificationTime))
        return failedAt(copied, QStringLiteral("设置修改时间"));
    copied.close();
    // After the time: a read-only source makes the copy read-only too.
    if (!copied.setPermissions(in.permissions()))
        return failedAt(copied, QStringLiteral("设置权限"));
    return {Status::Copied, 0, QString()};
}

} // namespace FileCopy
