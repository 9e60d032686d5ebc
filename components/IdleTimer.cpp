#include "components/IdleTimer.h"

TIdleTimer::TIdleTimer(QObject *parent) : QTimer(parent)
{
    setInterval(100);
    start();
}

void TIdleTimer::setEnabled(bool enabled)
{
    if (enabled)
        start();
    else
        stop();
}
