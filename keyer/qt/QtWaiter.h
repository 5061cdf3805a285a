#pragma once

// Waiting in a program with a Qt event loop.

#include "keyer/Waiter.h"

// Waits `ms` milliseconds while the program keeps handling its events.
void WaitWithEvents(int ms);

// The operations' waits for a program with an event loop: the window goes on
// painting, and the serial port's signals (a hang-up) are seen meanwhile.
class EventLoopWaiter : public Waiter {
  public:
    void Wait(int ms) override { WaitWithEvents(ms); }
};
