#include "platform/RawPath.h"

#include <QFile>
#include <QMimeData>
#include <QStringDecoder>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QFileInfo>
#else
#include <sys/stat.h>
#endif

namespace RawPath {

QByteArray fromUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
#ifdef Q_OS_WIN
    return QFile::encodeName(url.toLocalFile());
#else
    // toLocalFile() would turn bytes that are not UTF-8 into U+FFFD; the
    // percent-encoded form still carries them.
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return {};
    QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (path.contains('\0'))
        return {}; // no file system name holds a NUL; refuse rather than cut
    return path;
#endif
}

QList<QByteArray> fromMimeData(const QMimeData *mime)
{
    QList<QByteArray> paths;
    if (!mime || !mime->hasUrls())
        return paths;
    const QList<QUrl> urls = mime->urls();
    paths.reserve(urls.size());
    for (const QUrl &url : urls) {
        QByteArray path = fromUrl(url);
        if (!path.isEmpty())
            paths.append(std::move(path));
    }
    return paths;
}

QString display(const QByteArray &path)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(path);
    if (!utf8.hasError())
        return text;
    // Names from archives made on Chinese Windows are usually GBK.
    QStringDecoder gbk("GB18030", QStringDecoder::Flag::Stateless);
    if (gbk.isValid()) {
        QString gbkText = gbk.decode(path);
        if (!gbk.hasError())
            return gbkText;
    }
    return text; // U+FFFD marks the bytes that could not be read
}

QByteArray fromUser(const QString &path)
{
    return QFile::encodeName(path);
}

static bool isSeparator(char c)
{
#ifdef Q_OS_WIN
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

QByteArray fileName(const QByteArray &path)
{
    qsizetype i = path.size();
    while (i > 0 && !isSeparator(path.at(i - 1)))
        --i;
    return path.mid(i);
}

QByteArray targetPath(const QByteArray &destinationFolder, const QByteArray &source)
{
    QByteArray target = destinationFolder;
    if (target.isEmpty() || !isSeparator(target.back()))
        target.append('/');
    target.append(fileName(source));
    return target;
}

#ifdef Q_OS_WIN
bool isQueueableFile(const QByteArray &path)
{
    const QFileInfo info(QFile::decodeName(path));
    return info.exists() && info.isFile();
}

bool isExistingFolder(const QByteArray &path)
{
    return !path.isEmpty() && QFileInfo(QFile::decodeName(path)).isDir();
}
#else
bool isQueueableFile(const QByteArray &path)
{
    struct stat st
    {
    };
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isExistingFolder(const QByteArray &path)
{
    struct stat st
    {
    };
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}
#endif

} // namespace RawPath
