#include "app/WindowSize.h"

#include <QScreen>

QSize InitialWindowSize(int density)
{
    if (density <= 0 || density == 96)
        return {556, 455};
    if (density == 120)
        return {738, 568};
    return {density * 738 / 120, density * 568 / 120};
}

int ScreenDensity(const QScreen* screen)
{
    if (!screen)
        return 96;
    return qRound(screen->logicalDotsPerInchX() * screen->devicePixelRatio());
}
