#pragma once

// A keyer on a pseudo-terminal, for tests and benchmarks: it answers the
// host protocol from a thread of its own, keeps a 256-byte EEPROM, records
// every byte it receives, can send at 1200 baud, and can misbehave.

#include "image/EepromImage.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <termios.h>
#include <thread>
#include <vector>

class FakeKeyer {
  public:
    enum class Fault {
        None,
        Silent,            // answers nothing
        WrongEcho,         // echoes 0x54 instead of 0x55
        NoRevisionReply,   // echoes, but ignores the revision query
        NoReadings,        // ignores the two reading queries
        ShortEeprom,       // sends only `faultAfter` bytes of its EEPROM
        HangUpDuringRead,  // hangs up after `faultAfter` bytes of its EEPROM
        HangUpDuringWrite, // hangs up after receiving `faultAfter` EEPROM bytes
        StopReading,       // stops reading the line after `faultAfter` bytes
        HangUpAfterWrite,  // hangs up `faultAfter` ms after the last EEPROM byte came
        StoresOneWrong,    // stores EEPROM byte `faultAfter` of a write inverted
    };

    struct Settings {
        std::uint8_t revision = 23;
        std::uint8_t potVal = 128;
        std::uint8_t pbVal = 0;
        // Each reply byte arrives one `byteMicros` after the line is free for
        // it. What the editor sends costs no time: a pseudo-terminal takes it
        // at once.
        bool paced = false;
        int byteMicros = 8333; // 1200 baud, 8N1
        Fault fault = Fault::None;
        int faultAfter = 0;
    };

    FakeKeyer();
    explicit FakeKeyer(Settings settings);
    ~FakeKeyer();
    FakeKeyer(const FakeKeyer&) = delete;
    FakeKeyer& operator=(const FakeKeyer&) = delete;

    // Whether the line is up: false before it could be made and after a hang-up.
    bool Ok() const;
    const std::string& Device() const { return device; }
    // The line settings the editor left on the pseudo-terminal.
    termios LineSettings() const;
    // Makes port `port` open this keyer, through a com<n> link in `folder`.
    bool LinkAs(const std::string& folder, int port) const;

    void Configure(Settings settings);
    std::vector<std::uint8_t> Received() const;
    void ClearReceived();
    EepromImage Eeprom() const;
    void SetEeprom(const EepromImage& image);
    std::vector<int> PlayedMessages() const;
    // Puts bytes on the line that no command asked for.
    void SendUnprompted(const std::vector<std::uint8_t>& bytes);

  private:
    enum class State { Idle, Admin, EchoData, TestData, EepromData };

    void Run();
    void Handle(std::uint8_t byte);
    void Reply(std::uint8_t byte);
    void HangUp();

    int master = -1;
    int slave = -1;
    std::string device;
    std::atomic<bool> stop{false};
    mutable std::mutex mutex;
    Settings settings;
    State state = State::Idle;
    EepromImage eeprom;
    int eepromIndex = 0;
    std::vector<std::uint8_t> received;
    std::vector<int> played;
    std::deque<std::uint8_t> outgoing;
    int hangUpAfterSending = -1;
    std::chrono::steady_clock::time_point nextWrite;
    std::optional<std::chrono::steady_clock::time_point> hangUpAt;
    std::thread thread;
};
