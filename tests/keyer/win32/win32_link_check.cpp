// The Windows serial channel, run under wine against the fake keyer: for
// each row a fresh keyer on a pseudo-terminal, the COM ports led to it, one
// step of serial_probe.exe, and then what the keyer received, what the probe
// said and how long its transfers took.
//   win32_link_check WINDOWS-BUILD LINK-FOLDER
// wine must map COM5, COM10 and COM15 to LINK-FOLDER/com5, /com10, /com15.
// A row runs tests/serial_probe.exe, or the program it names in the build.

#include "support/FakeKeyer.h"
#include "support/LineBytes.h"
#include "support/SampleImage.h"
#include "image/MessageCodec.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

std::string Hex(const Bytes& bytes, const char* gap = "")
{
    std::string text;
    char pair[3];
    for (const auto b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        text += (text.empty() ? "" : gap) + std::string(pair);
    }
    return text;
}

Bytes Image(const EepromImage& image, std::size_t count = EepromImage::Size)
{
    return Bytes(image.bytes.begin(), image.bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

EepromImage Pattern(int step, int start)
{
    EepromImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(start + step * static_cast<int>(i));
    return image;
}

// A line the probe must print, in order with the others: literal text, where
// {a..b} stands for a whole number from a to b and {*} for anything.
bool Matches(std::string_view pattern, std::string_view line)
{
    const auto open = pattern.find('{');
    if (open == std::string_view::npos)
        return pattern == line;
    const auto close = pattern.find('}', open);
    if (close == std::string_view::npos || line.substr(0, open) != pattern.substr(0, open))
        return false;
    const std::string_view hole = pattern.substr(open + 1, close - open - 1);
    const std::string_view rest = pattern.substr(close + 1);
    line.remove_prefix(open);
    if (hole == "*") {
        for (std::size_t skip = 0; skip <= line.size(); ++skip)
            if (Matches(rest, line.substr(skip)))
                return true;
        return false;
    }
    const auto dots = hole.find("..");
    long low = 0, high = 0, n = 0;
    std::from_chars(hole.data(), hole.data() + dots, low);
    std::from_chars(hole.data() + dots + 2, hole.data() + hole.size(), high);
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), n);
    return error == std::errc() && n >= low && n <= high &&
           Matches(rest, line.substr(static_cast<std::size_t>(end - line.data())));
}

struct Row {
    std::string name;
    FakeKeyer::Settings keyer;
    std::string step; // the probe's command line
    Bytes received;   // by the keyer, exactly
    std::vector<std::string> said;
    EepromImage stored; // in the keyer afterwards
    Bytes before{};     // sent by the keyer before the probe starts
    std::string program = "tests/serial_probe.exe";
    std::optional<EepromImage> held = {}; // in the keyer before, when not the usual
};

std::string Run(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe))
            out.append(chunk, n);
        ::pclose(pipe);
    }
    return out;
}

// What went wrong in one row, one fault a line; empty when nothing did.
std::string Check(const Row& row, const std::string& build, const std::string& links, const EepromImage& held)
{
    FakeKeyer keyer(row.keyer);
    keyer.SetEeprom(row.held.value_or(held));
    keyer.SendUnprompted(row.before);
    if (!keyer.Ok() || !keyer.LinkAs(links, 5) || !keyer.LinkAs(links, 10) || !keyer.LinkAs(links, 15))
        return "the fake keyer could not be set up\n";
    // A transfer that never ends would hang the check; this ends it.
    const std::string out =
        Run("export MV2MGR_LINE_FOLDER='" + links + "'; cd '" + build + "' && timeout 60 wine '" + row.program +
            "' " + row.step + " 2>&1");

    std::ostringstream faults;
    std::istringstream lines(out);
    std::string line;
    std::size_t next = 0;
    while (next < row.said.size() && std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') // a Windows program's text output
            line.pop_back();
        if (Matches(row.said[next], line))
            ++next;
    }
    if (next < row.said.size())
        faults << "the probe did not say \"" << row.said[next] << "\" in its place; it said:\n" << out;
    // The last bytes may still be on their way through the pseudo-terminal.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while ((keyer.Received() != row.received || keyer.Eeprom() != row.stored) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (keyer.Received() != row.received)
        faults << "the keyer received " << Hex(keyer.Received(), " ") << "\n  instead of " << Hex(row.received, " ")
               << "\n";
    // Whatever reached the keyer went at its line settings, which stay on
    // the pseudo-terminal after the port is closed.
    const termios settings = keyer.LineSettings();
    if (!row.received.empty() &&
        (cfgetospeed(&settings) != B1200 || cfgetispeed(&settings) != B1200 || (settings.c_cflag & CSIZE) != CS8 ||
         (settings.c_cflag & (PARENB | CSTOPB)) != 0 || (settings.c_iflag & (IXON | IXOFF)) != 0))
        faults << "the line was not left at 1200 baud, 8N1, without XON/XOFF\n";
    if (keyer.Eeprom() != row.stored)
        faults << "the keyer holds " << Hex(Image(keyer.Eeprom())) << "\n  instead of " << Hex(Image(row.stored))
               << "\n";
    return faults.str();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: win32_link_check WINDOWS-BUILD LINK-FOLDER\n";
        return 2;
    }
    using F = FakeKeyer::Fault;
    const EepromImage held = Pattern(37, 11);
    const EepromImage written = Pattern(-1, 255);
    const std::string open = "open 5: 0 {400..900} ms";
    const std::vector<std::string> connected{open, "status: MV Open, F/W revision 23", "potval: 128", "pbval: 0",
                                             "connect: 23 {400..1500} ms"};
    const auto then = [&](std::initializer_list<std::string> more) {
        std::vector<std::string> all = connected;
        all.insert(all.end(), more);
        return all;
    };
    const Bytes connect = Concat({HandshakeBytes, ReadingBytes});
    const Bytes toEcho(HandshakeBytes.begin(), HandshakeBytes.begin() + 6);
    // What the window reads and writes back unchanged: its messages packed.
    EepromImage valid = SampleSettingsImage();
    PackMessages(valid, {});

    const std::vector<Row> rows{
        {"connect", {}, "connect 5", connect, then({"port open: yes", "line lost: no"}), held},
        {"read",
         {},
         "read 5",
         Concat({connect, {0x00, 0x0C}}),
         then({"read 256: 1 256 {0..2499} ms " + Hex(Image(held)), "read eeprom: 1"}),
         held},
        {"write",
         {},
         "write 5 " + Hex(Image(written)),
         Concat({connect, {0x00, 0x0D}, Image(written)}),
         then({"write 2: 1 {0..2600} ms", "write 256: 1 {0..4700} ms", "write eeprom: 1"}),
         written},
        {"play message 3",
         {},
         "play 5 3",
         Concat({connect, {0x00, 0x0E, 0x03}}),
         then({"write 3: 1 {0..2600} ms", "test message: 1"}),
         held},
        {"a byte sent before the purge is dropped", {}, "connect 5", connect, connected, held, {0x42}},
        {"port 10, by its device name",
         {},
         "connect 10",
         connect,
         {"open 10: 0 {400..900} ms", "connect: 23 {*}"},
         held},
        {"silent keyer: the whole read time-out",
         {.fault = F::Silent},
         "connect 5",
         toEcho,
         {open, "read 1: 0 0 {2500..3200} ms", "status: MV Fail:no echo",
          "reason: The port opened, but nothing answered{*}", "connect: -1 {2900..3700} ms", "port open: yes"},
         held},
        {"silent keyer, the window's messages handled meanwhile",
         {.fault = F::Silent},
         "--pump connect 5",
         toEcho,
         {open, "timer ticks: {2..5}", "read 1: 0 0 {2500..3200} ms", "status: MV Fail:no echo",
          "timer ticks: {20..40}"},
         held},
        {"short read: 255 of 256",
         {.fault = F::ShortEeprom, .faultAfter = 255},
         "read 5",
         Concat({connect, {0x00, 0x0C}}),
         then({"read 256: 0 255 {2500..3200} ms " + Hex(Image(held, 255)), "read eeprom: 0"}),
         held},
        {"paced at 1200 baud: within the time-out",
         {.paced = true},
         "read 5",
         Concat({connect, {0x00, 0x0C}}),
         then({"read 256: 1 256 {2100..2499} ms " + Hex(Image(held)), "read eeprom: 1"}),
         held},
        {"a keyer that stops reading: the write is bounded",
         {.fault = F::StopReading},
         "flood 5",
         {},
         {open, "write 1048576: 0 {1300..2500} ms", "port open: yes"},
         held},
        {"no such port",
         {},
         "connect 13",
         {},
         {"open 13: -4 {0..1000} ms", "status: MV Fail:comm open",
          "reason: No such device: COM13. Is the adapter plugged in, and is this the right port?", "connect: -4 {*}",
          "port open: no"},
         held},
        {"the COM ports listed", {}, "ports", {}, {"ports:{*} COM10 COM15 COM5{*}"}, held},
        {"the command line lists port 15 and reads through it",
         {},
         "ports && timeout 60 wine mv2mgr-cli.exe read \"Z:$MV2MGR_LINE_FOLDER/read15.eep\" --port 15",
         Concat({connect, {0x00, 0x0C}}),
         {"  Com5 COM5", "  Com10 COM10", "  Com12 COM12 (not present)", "  Com15 COM15", "Done"},
         held,
         {},
         "mv2mgr-cli.exe"},
        {"the window finds COM15, keeps it, and reads and writes through it",
         {},
         "--no-skip -tc=\"COM15 on the line\"",
         Concat({connect, {0x00, 0x0C}, connect, {0x00, 0x0D}, Image(valid)}),
         {"{*}Status: SUCCESS!"},
         valid,
         {},
         "tests/win32/tst_win32face.exe",
         valid},
    };

    int passed = 0, failed = 0;
    for (const Row& row : rows) {
        const std::string faults = Check(row, argv[1], argv[2], held);
        if (faults.empty()) {
            ++passed;
            std::cout << "PASS " << row.name << "\n";
        } else {
            ++failed;
            std::cout << "FAIL " << row.name << ":\n" << faults;
        }
        std::cout.flush();
    }
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}
