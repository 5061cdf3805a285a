#pragma once

// The operations' fixed waits, kept the way the face needs them: a window
// goes on painting meanwhile, a command line may simply sleep.

class Waiter {
  public:
    virtual ~Waiter() = default;
    virtual void Wait(int ms) = 0;
};
