#include "components/IdleTimer.h"

TIdleTimer::TIdleTimer(QObject *parent) : QTimer(parent)
{
    setInterval(100);
    start();
}

void TIdleTimer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (enabled)
        start();
    else
        stop();
}

void TIdleTimer::wake()
{
    if (m_enabled && !isActive())
        start();
}
