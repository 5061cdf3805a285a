#include "qt/WindowSize.h"

#include <QScreen>

int ScreenDensity(const QScreen* screen)
{
    if (!screen)
        return 96;
    return qRound(screen->logicalDotsPerInchX() * screen->devicePixelRatio());
}
