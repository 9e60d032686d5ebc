#pragma once

// Drops from another program, as Qt delivers them to a widget.

#include <QApplication>
#include <QByteArray>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QList>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace TestDrops {

// Percent-encodes the raw bytes, as a file manager does for any name.
inline QUrl fileUrl(const QByteArray &rawPath)
{
    return QUrl::fromEncoded("file://" + rawPath.toPercentEncoding("/"), QUrl::StrictMode);
}

inline QList<QUrl> fileUrls(const QList<QByteArray> &rawPaths)
{
    QList<QUrl> urls;
    urls.reserve(rawPaths.size());
    for (const QByteArray &path : rawPaths)
        urls << fileUrl(path);
    return urls;
}

// Drops `urls` at the centre of `target`: the enter event picks the drop
// target, the drop goes to it. Returns whether the drop was accepted.
inline bool dropOn(QWidget *target, const QList<QUrl> &urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace TestDrops
