// Runs one keyer step over a real COM port with the Win32 channel and says
// what happened, one fact a line, so that a program on the other end of the
// line can check it:
//   serial_probe [--pump] open N | connect N | read N | write N HEX | play N M | flood N | ports
// flood sends a megabyte, which only the write's margin bounds. With --pump,
// a 100 ms timer ticks while the channel hands its waits to the message
// loop, as a window's would; the ticks handled are told after the open and
// at the end.
// Every transfer is told as "write <count>: <result> <ms> ms" or
// "read <count>: <result> <arrived> <ms> ms [<bytes in hex>]".

#include "keyer/KeyerCommands.h"
#include "keyer/win32/ComPorts.h"
#include "keyer/win32/Win32SerialChannel.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Hex(const std::uint8_t* bytes, int count)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

int ticks = 0;

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_TIMER)
            ++ticks;
        DispatchMessageW(&message);
    }
}

void PumpFor(int ms)
{
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(ms);
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        Pump();
    }
}

// The real channel, each transfer told as it ends.
class ToldChannel : public SerialChannel {
  public:
    ToldChannel(bool pumped, LinkTimings timings)
        : pumped(pumped),
          real(timings, pumped ? PumpFor : std::function<void(int)>(), pumped ? Pump : std::function<void()>())
    {
    }
    int OpenPort(int port) override
    {
        const auto start = Clock::now();
        const int status = real.OpenPort(port);
        std::printf("open %d: %d %lld ms\n", port, status, MsSince(start));
        if (pumped)
            std::printf("timer ticks: %d\n", ticks);
        return status;
    }
    int WritePort(const std::uint8_t* data, int count) override
    {
        const auto start = Clock::now();
        const int result = real.WritePort(data, count);
        std::printf("write %d: %d %lld ms\n", count, result, MsSince(start));
        return result;
    }
    int ReadPort(std::uint8_t* buffer, int count) override
    {
        const auto start = Clock::now();
        const int result = real.ReadPort(buffer, count);
        const long long ms = MsSince(start);
        const int arrived = real.LastReadCount();
        std::printf("read %d: %d %d %lld ms%s%s\n", count, result, arrived, ms, arrived ? " " : "",
                    Hex(buffer, arrived).c_str());
        return result;
    }
    void ClosePort() override { real.ClosePort(); }
    bool PortOpen() const override { return real.PortOpen(); }
    int LastReadCount() const override { return real.LastReadCount(); }
    const LinkTimings& Timings() const override { return real.Timings(); }
    std::string FailureReason() const override { return real.FailureReason(); }
    bool LineLost() const override { return real.LineLost(); }
    void SetProgress(std::function<void(int, int)> tell) override { real.SetProgress(std::move(tell)); }

  private:
    bool pumped;
    Win32SerialChannel real;
};

struct Printed : LinkDisplay {
    void ShowLinkStatus(const std::string& text, const std::string& reason) override
    {
        std::printf("status: %s\nreason: %s\n", text.c_str(), reason.c_str());
    }
    void ShowPotVal(const std::string& text) override { std::printf("potval: %s\n", text.c_str()); }
    void ShowPbVal(const std::string& text) override { std::printf("pbval: %s\n", text.c_str()); }
};

bool FromHex(const std::string& text, EepromImage& image)
{
    if (text.size() != 2 * image.bytes.size())
        return false;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        char* end = nullptr;
        const std::string pair = text.substr(2 * i, 2);
        image.bytes[i] = static_cast<std::uint8_t>(std::strtoul(pair.c_str(), &end, 16));
        if (*end != '\0')
            return false;
    }
    return true;
}

int Usage()
{
    std::fputs("usage: serial_probe [--pump] open N | connect N | read N | write N HEX | play N M | flood N | ports\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const bool pumped = argc > 1 && std::string(argv[1]) == "--pump";
    if (pumped) {
        --argc;
        ++argv;
        SetTimer(nullptr, 0, 100, nullptr);
    }
    const std::string step = argc > 1 ? argv[1] : "";
    if (step == "ports") {
        std::printf("ports:");
        for (const auto& [port, name] : ComPortsPresent())
            std::printf(" %s", port.c_str());
        std::printf("\n");
        return 0;
    }
    if (argc < 3)
        return Usage();
    const int port = std::atoi(argv[2]);
    EepromImage image;
    if ((step == "write" && (argc < 4 || !FromHex(argv[3], image))) || (step == "play" && argc < 4))
        return Usage();

    LinkTimings timings;
    if (step == "flood") {
        timings.lineMsPerByte = 0.001;
        timings.writeMarginMs = 300;
    }
    ToldChannel channel(pumped, timings);
    if (step == "open") {
        const int status = channel.OpenPort(port);
        std::printf("status: %s\nreason: %s\n", status == 0 ? "open" : LinkStatusText(status).c_str(),
                    channel.FailureReason().c_str());
    } else if (step == "flood") {
        const std::vector<std::uint8_t> lots(1 << 20, 0x13);
        if (channel.OpenPort(port) == 0)
            channel.WritePort(lots.data(), static_cast<int>(lots.size()));
    } else if (step == "connect" || step == "read" || step == "write" || step == "play") {
        Printed shown;
        const auto start = Clock::now();
        const int revision = ConnectKeyer(channel, port, shown);
        std::printf("connect: %d %lld ms\n", revision, MsSince(start));
        if (revision > 0 && step == "read")
            std::printf("read eeprom: %d\n", ReadEeprom(channel, image));
        if (revision > 0 && step == "write")
            std::printf("write eeprom: %d\n", WriteEeprom(channel, image));
        if (revision > 0 && step == "play")
            std::printf("test message: %d\n", TestMessage(channel, std::atoi(argv[3])));
    } else {
        return Usage();
    }
    std::printf("port open: %s\nline lost: %s\n", channel.PortOpen() ? "yes" : "no", channel.LineLost() ? "yes" : "no");
    channel.ClosePort();
    if (pumped)
        std::printf("timer ticks: %d\n", ticks);
    std::fflush(stdout);
    return 0;
}
