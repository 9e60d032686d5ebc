#pragma once

#include <QTimer>

// The window's clock: ticks every Interval ms on the UI thread while enabled.
// Enabled from construction; the first tick comes once the event loop runs.
// Its owner may let it sleep while a tick would change nothing; waking it
// never overrides Enabled.
class TIdleTimer : public QTimer
{
    Q_OBJECT
    Q_PROPERTY(int Interval READ interval WRITE setInterval)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)

public:
    explicit TIdleTimer(QObject *parent = nullptr);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    void sleep() { stop(); }
    void wake();

private:
    bool m_enabled = true;
};
