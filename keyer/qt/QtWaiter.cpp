#include "keyer/qt/QtWaiter.h"

#include <QEventLoop>
#include <QTimer>

void WaitWithEvents(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
