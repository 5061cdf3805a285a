#pragma once

// The keyer's host protocol: the opening exchange, the connection check with
// its status texts, and the commands on the keyer's stored data.

#include "image/EepromImage.h"
#include "keyer/SerialChannel.h"

#include <cstdint>
#include <optional>
#include <string>

// Where the connection check reports: the link status and the two readings.
class LinkDisplay {
  public:
    virtual ~LinkDisplay() = default;
    // `reason` says why in plain words when the link failed; empty otherwise.
    virtual void ShowLinkStatus(const std::string& text, const std::string& reason) = 0;
    virtual void ShowPotVal(const std::string& text) = 0;
    virtual void ShowPbVal(const std::string& text) = 0;
};

// Keyers of revision 10 or less are the first generation, which has another
// memory layout.
inline constexpr int LastMv1Revision = 10;

// The text for a link status code.
std::string LinkStatusText(int status);

// Three 0x13 bytes, the echo check and the revision query. 0 and the
// revision, or -1 (no echo), -2 (echo mismatch), -3 (no revision reply).
int Handshake(SerialChannel& channel, std::uint8_t& revision);

// Why the last read of `wanted` bytes came back short, as a sentence:
// "255 of 256 bytes arrived within 2.5 s.", or where the line closed.
std::string ShortReadText(const SerialChannel& channel, int wanted);

// Opens `port`, runs the exchange and shows the outcome. Returns the firmware
// revision (11..255) or a negative code, never 0. The caller closes the port
// whenever channel.PortOpen() is set afterwards.
int ConnectKeyer(SerialChannel& channel, int port, LinkDisplay& display);

// A reading, or nothing when the keyer sent no byte.
std::optional<std::uint8_t> ReadPotVal(SerialChannel& channel);
std::optional<std::uint8_t> ReadPbVal(SerialChannel& channel);

// Reads all 256 bytes into a buffer of its own and replaces the image only
// when all of them came: 1, else 0 with the image unchanged.
int ReadEeprom(SerialChannel& channel, EepromImage& image);
// 1 when all 256 image bytes went out, else 0.
int WriteEeprom(SerialChannel& channel, const EepromImage& image);
// Makes the keyer play stored message n. 1 when the command went out.
int TestMessage(SerialChannel& channel, int n);
