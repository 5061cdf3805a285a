#pragma once

// How big the window starts on this screen.

#include <QSize>

class QScreen;

// The window's size in device pixels for a screen of `density` pixels per
// logical inch.
QSize InitialWindowSize(int density);

// Pixels per logical inch of the screen, counting its device pixel ratio.
int ScreenDensity(const QScreen* screen);
