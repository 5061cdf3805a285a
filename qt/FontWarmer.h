#pragma once

// Reading the system's font configuration is the largest single part of
// drawing the first text, and it does not need the display. A FontWarmer
// reads it on a second thread while the program connects to the display;
// Join before the first widget is made.

#include <thread>

class FontWarmer {
  public:
    FontWarmer();
    ~FontWarmer() { Join(); }
    FontWarmer(const FontWarmer&) = delete;
    FontWarmer& operator=(const FontWarmer&) = delete;

    void Join();

  private:
    std::thread thread;
};
