#include "util/ShellHelpers.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QUrl>

namespace {

QString createPrompt()
{
    return QStringLiteral("指定的目录不存在. 创建吗?");
}

// QFileDialog refuses a folder that does not exist with a warning of its own;
// with creation allowed we ask instead, and accept the typed path on Yes.
class FolderChooser : public QFileDialog
{
public:
    FolderChooser(QWidget *parent, bool allowCreate, const QString &start)
        : QFileDialog(parent, QStringLiteral("选择目录"), start), m_allowCreate(allowCreate)
    {
        setFileMode(QFileDialog::Directory);
        setAcceptMode(QFileDialog::AcceptOpen);
        setOption(QFileDialog::ShowDirsOnly);
        setOption(QFileDialog::ReadOnly, !allowCreate); // no "new folder" without creation
    }

    QString chosen;

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (files.isEmpty())
            return;
        const QString path = files.first();
        if (m_allowCreate && !QFileInfo::exists(path)) {
            const auto answer =
                QMessageBox::question(this, windowTitle(), createPrompt(),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
            if (answer != QMessageBox::Yes)
                return;
            chosen = QDir::toNativeSeparators(path);
            QDialog::accept();
            return;
        }
        const QFileInfo info(path);
        if (info.isDir())
            chosen = QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
        QFileDialog::accept();
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QFileDialog::showEvent(event);
        if (const QScreen *screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }

private:
    bool m_allowCreate;
};

} // namespace

bool SelectFolder(bool AllowCreate, QString &Folder, QWidget *parent)
{
    const QString start = Folder.isEmpty() ? QDir::currentPath() : Folder;
    FolderChooser chooser(parent, AllowCreate, start);
    if (chooser.exec() != QDialog::Accepted || chooser.chosen.isEmpty())
        return false;
    Folder = chooser.chosen;
    return true;
}

bool OpenWithShell(const QString &Target, const QString &Params)
{
    const QFileInfo info(Target);
    if (info.isFile() && info.isExecutable()) {
        return QProcess::startDetached(info.absoluteFilePath(), QProcess::splitCommand(Params),
                                       info.absolutePath());
    }
    return QDesktopServices::openUrl(QUrl::fromUserInput(Target, QDir::currentPath()));
}
