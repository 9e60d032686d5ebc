#pragma once

#include <QString>

class QWidget;

// Lets the user pick a folder in a modal chooser titled "选择目录", starting in
// `Folder` (or the current folder when it is empty). Returns true on OK, with
// `Folder` set to the chosen folder's full path (a root keeps its separator);
// returns false on Cancel, Escape or the close box, leaving `Folder` unchanged.
// With `AllowCreate` the user may type a path to a folder that does not exist
// yet; after confirming, that path is returned (nothing is created here).
bool SelectFolder(bool AllowCreate, QString &Folder, QWidget *parent = nullptr);

// Hands `Target` to the desktop: a web address or a document opens with its
// default application; an executable program starts with `Params` as its
// arguments, in its own folder. True when the request was accepted.
bool OpenWithShell(const QString &Target, const QString &Params);
