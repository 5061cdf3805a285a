#include "keyer/KeyerCommands.h"

#include <array>
#include <cstdio>

namespace {

constexpr std::uint8_t Attention = 0x13;
constexpr std::uint8_t Admin = 0x00;
constexpr std::uint8_t EchoCode = 0x04;
constexpr std::uint8_t EchoData = 0x55;
constexpr std::uint8_t OpenCode = 0x03;
constexpr std::uint8_t RevisionCode = 0x09;
constexpr std::uint8_t PotValCode = 0x06;
constexpr std::uint8_t PbValCode = 0x05;
constexpr std::uint8_t ReadEepromCode = 0x0C;
constexpr std::uint8_t WriteEepromCode = 0x0D;
constexpr std::uint8_t TestMessageCode = 0x0E;

// Each admin command goes out as one transfer.
int SendCommand(SerialChannel& channel, std::uint8_t code)
{
    const std::array<std::uint8_t, 2> bytes{Admin, code};
    return channel.WritePort(bytes.data(), static_cast<int>(bytes.size()));
}

int SendCommand(SerialChannel& channel, std::uint8_t code, std::uint8_t data)
{
    const std::array<std::uint8_t, 3> bytes{Admin, code, data};
    return channel.WritePort(bytes.data(), static_cast<int>(bytes.size()));
}

std::optional<std::uint8_t> ReadByte(SerialChannel& channel)
{
    std::uint8_t byte = 0;
    if (channel.ReadPort(&byte, 1) != 1)
        return std::nullopt;
    return byte;
}

std::optional<std::uint8_t> Reading(SerialChannel& channel, std::uint8_t code)
{
    SendCommand(channel, code);
    return ReadByte(channel);
}

std::string ReadingText(std::optional<std::uint8_t> value)
{
    return value ? std::to_string(*value) : std::string("?");
}

// What a failed exchange means for the person at the keyer.
std::string HandshakeReason(int status)
{
    switch (status) {
    case LinkStatus::NoEcho:
        return "The port opened, but nothing answered: is the keyer powered, and is its cable on this port?";
    case LinkStatus::EchoMismatch:
        return "Something answered, but not as a Morvel2 keyer does: is another device on this port?";
    case LinkStatus::NoOpenResponse:
        return "The keyer echoed but did not tell its firmware revision: switch it off and on, and try again.";
    default:
        return {};
    }
}

} // namespace

std::string LinkStatusText(int status)
{
    switch (status) {
    case LinkStatus::NoEcho:
        return "MV Fail:no echo";
    case LinkStatus::EchoMismatch:
        return "MV Fail:echo mismatch";
    case LinkStatus::NoOpenResponse:
        return "MV Fail:no open response";
    case LinkStatus::CommOpen:
        return "MV Fail:comm open";
    case LinkStatus::GetCommState:
        return "MV Fail:get comm state";
    case LinkStatus::SetCommState:
        return "MV Fail:set comm state";
    case LinkStatus::CommPurge:
        return "MV Fail:comm purge";
    default:
        return "MV Fail:unknown error";
    }
}

std::string ShortReadText(const SerialChannel& channel, int wanted)
{
    const int arrived = channel.LastReadCount();
    const std::string of = std::to_string(arrived) + " of " + std::to_string(wanted) + " bytes";
    if (channel.LineLost())
        return arrived == 0 ? "The line closed before any of the " + std::to_string(wanted) + " bytes arrived."
                            : "The line closed after " + of + ".";
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g s", channel.Timings().readTimeoutMs / 1000.0);
    return (arrived == 0 ? "None of the " + std::to_string(wanted) + " bytes" : of) + " arrived within " + seconds +
           ".";
}

int Handshake(SerialChannel& channel, std::uint8_t& revision)
{
    for (int i = 0; i < 3; ++i)
        channel.WritePort(&Attention, 1);
    SendCommand(channel, EchoCode, EchoData);
    const auto echo = ReadByte(channel);
    if (!echo)
        return LinkStatus::NoEcho;
    if (*echo != EchoData)
        return LinkStatus::EchoMismatch;
    SendCommand(channel, OpenCode);
    SendCommand(channel, RevisionCode);
    const auto reply = ReadByte(channel);
    if (!reply)
        return LinkStatus::NoOpenResponse;
    revision = *reply;
    return LinkStatus::Ok;
}

int ConnectKeyer(SerialChannel& channel, int port, LinkDisplay& display)
{
    std::uint8_t revision = 0;
    int status = channel.OpenPort(port);
    if (status == LinkStatus::Ok)
        status = Handshake(channel, revision);
    if (status != LinkStatus::Ok) {
        const std::string reason = channel.PortOpen() ? HandshakeReason(status) : std::string();
        display.ShowLinkStatus(LinkStatusText(status), reason.empty() ? channel.FailureReason() : reason);
        return status;
    }
    if (revision <= LastMv1Revision) {
        display.ShowLinkStatus("MV Fail:MV1 found", "This keyer has firmware revision " + std::to_string(revision) +
                                                        ", a first-generation Morvel, whose memory this editor "
                                                        "does not know.");
        return -1;
    }
    display.ShowLinkStatus("MV Open, F/W revision " + std::to_string(revision), {});
    display.ShowPotVal(ReadingText(ReadPotVal(channel)));
    display.ShowPbVal(ReadingText(ReadPbVal(channel)));
    return revision;
}

std::optional<std::uint8_t> ReadPotVal(SerialChannel& channel)
{
    return Reading(channel, PotValCode);
}
std::optional<std::uint8_t> ReadPbVal(SerialChannel& channel)
{
    return Reading(channel, PbValCode);
}

int ReadEeprom(SerialChannel& channel, EepromImage& image)
{
    SendCommand(channel, ReadEepromCode);
    // A short reply must not leave the front of one image over the rest of
    // another, which could then be written back to the keyer.
    EepromImage received;
    if (channel.ReadPort(received.bytes.data(), static_cast<int>(received.bytes.size())) != 1)
        return 0;
    image = received;
    return 1;
}

int WriteEeprom(SerialChannel& channel, const EepromImage& image)
{
    SendCommand(channel, WriteEepromCode);
    return channel.WritePort(image.bytes.data(), static_cast<int>(image.bytes.size()));
}

int TestMessage(SerialChannel& channel, int n)
{
    return SendCommand(channel, TestMessageCode, static_cast<std::uint8_t>(n & 0xFF));
}
