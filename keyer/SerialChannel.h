#pragma once

// The one path to the keyer: a numbered port opened with the keyer's line
// settings, whole-buffer transfers that wait for completion, and close.

#include <cstdint>
#include <functional>
#include <string>

// Results of opening a port (the link codes the keyer commands add to).
namespace LinkStatus {
inline constexpr int Ok = 0;
inline constexpr int NoEcho = -1;
inline constexpr int EchoMismatch = -2;
inline constexpr int NoOpenResponse = -3;
inline constexpr int CommOpen = -4;
inline constexpr int GetCommState = -5;
inline constexpr int SetCommState = -6;
inline constexpr int CommPurge = -10;
} // namespace LinkStatus

// The keyer's line and its fixed times, the same for every channel: no
// parity and no flow control, always.
struct LinkTimings {
    int baudRate = 1200;
    int dataBits = 8;
    int stopBits = 1;
    bool dtr = true;
    bool rts = false;
    int settleMs = 400;       // after opening, before the receive buffer is discarded
    int readTimeoutMs = 2500; // for every read, however long
    int writeMarginMs = 2500; // on top of a write's line time
    // A start bit, the data bits and the stop bits.
    double lineMsPerByte = (1.0 + dataBits + stopBits) * 1000.0 / baudRate;
};

class SerialChannel {
  public:
    virtual ~SerialChannel() = default;

    // 0 when the port is open and ready; otherwise a negative LinkStatus.
    // PortOpen() is set as soon as a port is held, also after -5, -6, -10.
    virtual int OpenPort(int port) = 0;
    // 1 when all `count` bytes went out, else 0.
    virtual int WritePort(const std::uint8_t* data, int count) = 0;
    // 1 when exactly `count` bytes arrived within the read time-out, else 0;
    // the bytes that did arrive stand at the start of `buffer` either way.
    virtual int ReadPort(std::uint8_t* buffer, int count) = 0;
    virtual void ClosePort() = 0;
    virtual bool PortOpen() const = 0;
    // How many bytes the last ReadPort took, whether or not they were all.
    virtual int LastReadCount() const = 0;
    virtual const LinkTimings& Timings() const = 0;
    // Told while each transfer runs how far it has come (bytes done of
    // all); nothing is told while it is empty.
    virtual void SetProgress(std::function<void(int done, int total)> tell) = 0;

    // Why the last OpenPort failed, in the system's words and with what to
    // do about it; empty after a success.
    virtual std::string FailureReason() const = 0;
    // Whether the keyer went away while the port was open: hung up,
    // unplugged, or the device failed.
    virtual bool LineLost() const = 0;
};
