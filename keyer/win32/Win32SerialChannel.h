#pragma once

// The serial channel on the Win32 communications interface: the port opened
// for overlapped transfers, each transfer waited for with its own event. The
// waits can hand the time to the window, so it keeps painting while a
// transfer runs.

#include "keyer/SerialChannel.h"

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

class Win32SerialChannel : public SerialChannel {
  public:
    // `wait` sleeps for the settle time; `pump` handles the window's messages
    // whenever one arrives during a transfer. Without them the thread sleeps.
    explicit Win32SerialChannel(LinkTimings timings = {}, std::function<void(int ms)> wait = {},
                                std::function<void()> pump = {});
    ~Win32SerialChannel() override;
    Win32SerialChannel(const Win32SerialChannel&) = delete;
    Win32SerialChannel& operator=(const Win32SerialChannel&) = delete;

    int OpenPort(int port) override;
    int WritePort(const std::uint8_t* data, int count) override;
    int ReadPort(std::uint8_t* buffer, int count) override;
    void ClosePort() override;
    bool PortOpen() const override { return portOpen; }
    int LastReadCount() const override { return lastReadCount; }
    const LinkTimings& Timings() const override { return timings; }
    std::string FailureReason() const override { return failureReason; }
    bool LineLost() const override { return portOpen && lineLost; }
    void SetProgress(std::function<void(int done, int total)> tell) override { progress = std::move(tell); }

  private:
    enum class Direction { Out, In };

    int Fail(int status, std::string reason);
    // Moves up to `count` bytes; how many moved, or -1 when the transfer
    // itself failed. Never returns while the request is still outstanding.
    int Transfer(Direction direction, void* buffer, int count, int limitMs);
    // Whether `event` was signalled within `ms`, handing the time to `pump`.
    bool WaitFor(HANDLE event, int ms);
    void NoteFailure(DWORD error);

    LinkTimings timings;
    std::function<void(int)> wait;
    std::function<void()> pump;
    std::function<void(int, int)> progress;
    HANDLE portHandle = INVALID_HANDLE_VALUE;
    bool portOpen = false;
    bool lineLost = false;
    int lastReadCount = 0;
    std::string device;
    std::string failureReason;
};

// What the channel hands to SetCommState: the port's `line` as it was, with
// only what the keyer needs changed (speed, framing, DTR and RTS, no
// software flow control). A pseudo-terminal under wine shows neither DTR
// nor RTS, so this is where their levels can be seen.
DCB KeyerLine(DCB line, const LinkTimings& timings);
