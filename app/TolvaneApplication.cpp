#include "app/TolvaneApplication.h"

#include "tolvane_version.h"

#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QUrl>

#include <exception>

TolvaneApplication::TolvaneApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setOrganizationName(QString::fromUtf8(TOLVANE_COMPANY_NAME));
    setOrganizationDomain(QUrl(QStringLiteral(TOLVANE_HOME_URL)).host());
    setApplicationVersion(QStringLiteral(TOLVANE_VERSION_STRING));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tolvane.png")));
    setDesktopFileName(QStringLiteral(TOLVANE_APP_ID));
    m_title = titleFromExecutable(applicationFilePath());
}

QString TolvaneApplication::titleFromExecutable(const QString &executablePath)
{
    const QString name = QFileInfo(executablePath).completeBaseName();
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

bool TolvaneApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        showError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showError(QStringLiteral("未知错误"));
    }
    return false;
}

void TolvaneApplication::showError(const QString &message)
{
    QMessageBox::critical(activeWindow(), m_title, message);
}
