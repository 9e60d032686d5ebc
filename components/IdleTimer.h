#pragma once

#include <QTimer>

// The window's clock: ticks every Interval ms on the UI thread while enabled.
// Enabled from construction; the first tick comes once the event loop runs.
class TIdleTimer : public QTimer
{
    Q_OBJECT
    Q_PROPERTY(int Interval READ interval WRITE setInterval)
    Q_PROPERTY(bool Enabled READ isActive WRITE setEnabled)

public:
    explicit TIdleTimer(QObject *parent = nullptr);

    void setEnabled(bool enabled);
};
