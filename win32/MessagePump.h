#pragma once

// The window's messages handled while a keyer operation waits, so that it
// goes on painting and counting: the fixed waits and the transfers' waits.

#include "keyer/Waiter.h"

#include <functional>
#include <windows.h>

// Handles the messages waiting now, each as the main loop would, with
// `takeKeys` (the window's keys) first. A quit request is posted again, for
// the main loop to see, and false returned: nothing is to be handled then.
bool PumpMessages(const std::function<bool(MSG&)>& takeKeys);

// Waits while `pump` handles the messages that arrive meanwhile, until it
// says the program is to end.
class PumpingWaiter : public Waiter {
  public:
    explicit PumpingWaiter(std::function<bool()> pump) : pump(std::move(pump)) {}
    void Wait(int ms) override;

  private:
    std::function<bool()> pump;
};
