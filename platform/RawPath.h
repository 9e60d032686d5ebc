#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QMimeData;
class QUrl;

// File-system paths travel as the exact bytes the file system uses: a name
// that is not valid UTF-8 must survive from the drop to the copy unchanged.
namespace RawPath {

// The local path of a file URL as raw bytes; empty for any other URL.
QByteArray fromUrl(const QUrl &url);

// The local paths of all file URLs in a drop, in delivery order.
QList<QByteArray> fromMimeData(const QMimeData *mime);

// A human-readable form of a raw path, for display only.
QString display(const QByteArray &path);

// Raw bytes of a path the user typed or picked in a dialog.
QByteArray fromUser(const QString &path);

// The part of the path after its last separator.
QByteArray fileName(const QByteArray &path);

// destination + separator (unless it already ends in one) + file name of source.
QByteArray targetPath(const QByteArray &destinationFolder, const QByteArray &source);

// Regular file, or a link that resolves to one.
bool isQueueableFile(const QByteArray &path);

// An existing folder (links to folders included).
bool isExistingFolder(const QByteArray &path);

} // namespace RawPath
