#include "support/FakeKeyer.h"

#include <chrono>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

FakeKeyer::FakeKeyer() : FakeKeyer(Settings{}) {}

FakeKeyer::FakeKeyer(Settings initial) : settings(initial)
{
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    device = name;
    for (std::size_t i = 0; i < eeprom.bytes.size(); ++i)
        eeprom.bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    thread = std::thread([this] { Run(); });
}

FakeKeyer::~FakeKeyer()
{
    stop = true;
    if (thread.joinable())
        thread.join();
    std::lock_guard lock(mutex);
    HangUp();
}

bool FakeKeyer::Ok() const
{
    std::lock_guard lock(mutex);
    return master >= 0;
}

termios FakeKeyer::LineSettings() const
{
    std::lock_guard lock(mutex);
    // On the master side, the pseudo-terminal reports the slave's settings.
    termios settings{};
    ::tcgetattr(master, &settings);
    return settings;
}

bool FakeKeyer::LinkAs(const std::string& folder, int port) const
{
    std::error_code ec;
    const auto link = std::filesystem::path(folder) / ("com" + std::to_string(port));
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(device, link, ec);
    return !ec;
}

void FakeKeyer::Configure(Settings s)
{
    std::lock_guard lock(mutex);
    settings = s;
}

std::vector<std::uint8_t> FakeKeyer::Received() const
{
    std::lock_guard lock(mutex);
    return received;
}

void FakeKeyer::ClearReceived()
{
    std::lock_guard lock(mutex);
    received.clear();
}

EepromImage FakeKeyer::Eeprom() const
{
    std::lock_guard lock(mutex);
    return eeprom;
}

void FakeKeyer::SetEeprom(const EepromImage& image)
{
    std::lock_guard lock(mutex);
    eeprom = image;
}

std::vector<int> FakeKeyer::PlayedMessages() const
{
    std::lock_guard lock(mutex);
    return played;
}

void FakeKeyer::SendUnprompted(const std::vector<std::uint8_t>& bytes)
{
    std::lock_guard lock(mutex);
    outgoing.insert(outgoing.end(), bytes.begin(), bytes.end());
}

void FakeKeyer::Reply(std::uint8_t byte)
{
    // A byte put on an idle line arrives a byte time later, not at once.
    if (outgoing.empty())
        nextWrite = std::max(nextWrite, Clock::now() + std::chrono::microseconds(settings.byteMicros));
    outgoing.push_back(byte);
}

void FakeKeyer::HangUp()
{
    // Closing every descriptor of the master side hangs up the line.
    if (master >= 0)
        ::close(master);
    if (slave >= 0)
        ::close(slave);
    master = slave = -1;
}

void FakeKeyer::Handle(std::uint8_t byte)
{
    received.push_back(byte);
    const bool silent = settings.fault == Fault::Silent;
    switch (state) {
    case State::EepromData:
        eeprom.bytes[static_cast<std::size_t>(eepromIndex)] =
            settings.fault == Fault::StoresOneWrong && eepromIndex == settings.faultAfter
                ? static_cast<std::uint8_t>(~byte)
                : byte;
        ++eepromIndex;
        if (settings.fault == Fault::HangUpDuringWrite && eepromIndex == settings.faultAfter)
            HangUp();
        if (eepromIndex == static_cast<int>(eeprom.bytes.size())) {
            state = State::Idle;
            if (settings.fault == Fault::HangUpAfterWrite)
                hangUpAt = Clock::now() + std::chrono::milliseconds(settings.faultAfter);
        }
        return;
    case State::EchoData:
        state = State::Idle;
        if (!silent)
            Reply(settings.fault == Fault::WrongEcho ? 0x54 : byte);
        return;
    case State::TestData:
        state = State::Idle;
        played.push_back(byte);
        return;
    case State::Idle:
        if (byte == 0x00)
            state = State::Admin;
        return; // the 0x13 attention bytes get no answer
    case State::Admin:
        break;
    }

    state = State::Idle;
    if (silent)
        return;
    const bool readings = settings.fault != Fault::NoReadings;
    switch (byte) {
    case 0x04:
        state = State::EchoData;
        break;
    case 0x0E:
        state = State::TestData;
        break;
    case 0x09:
        if (settings.fault != Fault::NoRevisionReply)
            Reply(settings.revision);
        break;
    case 0x06:
        if (readings)
            Reply(settings.potVal);
        break;
    case 0x05:
        if (readings)
            Reply(settings.pbVal);
        break;
    case 0x0C: {
        int count = static_cast<int>(eeprom.bytes.size());
        if (settings.fault == Fault::ShortEeprom || settings.fault == Fault::HangUpDuringRead)
            count = settings.faultAfter;
        for (int i = 0; i < count; ++i)
            Reply(eeprom.bytes[static_cast<std::size_t>(i)]);
        if (settings.fault == Fault::HangUpDuringRead && outgoing.empty())
            hangUpAt = Clock::now(); // before a single byte
        else if (settings.fault == Fault::HangUpDuringRead)
            hangUpAfterSending = static_cast<int>(outgoing.size());
        break;
    }
    case 0x0D:
        state = State::EepromData;
        eepromIndex = 0;
        break;
    default:
        break; // 0x03 and anything unknown: no answer
    }
}

void FakeKeyer::Run()
{
    while (!stop) {
        {
            std::unique_lock lock(mutex);
            if (master < 0)
                break;
            const auto now = Clock::now();
            const bool paced = settings.paced;
            const auto ByteTime = std::chrono::microseconds(settings.byteMicros);
            if (hangUpAt && now >= *hangUpAt) {
                HangUp();
                break;
            }

            // Send: one byte per byte time when paced, all at once otherwise.
            while (!outgoing.empty() && (!paced || now >= nextWrite)) {
                const std::uint8_t byte = outgoing.front();
                if (::write(master, &byte, 1) != 1)
                    break;
                outgoing.pop_front();
                if (hangUpAfterSending > 0 && --hangUpAfterSending == 0) {
                    hangUpAfterSending = -1;
                    HangUp();
                    break;
                }
                if (paced) {
                    nextWrite += ByteTime;
                    break;
                }
            }
            if (master < 0)
                break;

            const bool stalled =
                settings.fault == Fault::StopReading && static_cast<int>(received.size()) >= settings.faultAfter;
            pollfd fd{master, POLLIN, 0};
            if (!stalled && ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN)) {
                std::uint8_t buffer[512];
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                for (ssize_t i = 0; i < n && master >= 0; ++i)
                    Handle(buffer[i]);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}
