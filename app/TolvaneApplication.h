#pragma once

#include <QApplication>

// The application object. It catches any exception that escapes an event
// handler, shows it in an error box and lets the event loop go on: no
// exception may unwind through Qt.
class TolvaneApplication : public QApplication
{
    Q_OBJECT

public:
    TolvaneApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // The executable's name without folder and extension, first letter kept,
    // the rest lower-cased.
    static QString titleFromExecutable(const QString &executablePath);
    QString title() const { return m_title; }

private:
    void showError(const QString &message);

    QString m_title;
};
