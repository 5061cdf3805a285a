#pragma once

// How big the window starts on this screen.

#include "ui/PanelRules.h"

class QScreen;

// Pixels per logical inch of the screen, counting its device pixel ratio.
int ScreenDensity(const QScreen* screen);
