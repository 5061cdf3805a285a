#pragma once

// What the window shows the same way on every system: its size at the
// start, how long an operation's status stands, and the About box's two
// filled lines.

#include <string>
#include <string_view>

// The main window's title: the program's name, and the backup the panel
// shows when it shows one.
std::string MainWindowTitle(std::string_view backup = {});

struct WindowPixels {
    int width, height;
    bool operator==(const WindowPixels&) const = default;
};

// The window's size at the start, in pixels, on a screen of `density`
// pixels per logical inch; 0 or less when the screen does not tell.
WindowPixels InitialWindowSize(int density);

// An operation's status stands for 18 ticks of the panel's 250 ms timer.
class StatusCountdown {
  public:
    static constexpr int Ticks = 18;
    static constexpr int TickMs = 250;

    // A status that is to go once its time is up.
    void Start() { left = Ticks; }
    // A status that stands until the next replaces it.
    void Stop() { left = 0; }
    // One tick of the timer: true when the status is to be cleared now.
    bool Tick();
    int Left() const { return left; }

  private:
    int left = 0;
};

// "Ver 2.8, Built 09:38:27, Jan  4 2007": the version and the build's stamps.
std::string VersionLine();
// "Operating System is WinNT/WinXP".
std::string SystemLine(std::string_view osFamily);
