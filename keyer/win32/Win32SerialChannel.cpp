#include "keyer/win32/Win32SerialChannel.h"

#include "keyer/PortNames.h"
#include "keyer/PortProblems.h"
#include "keyer/PortWords.h"

#include <algorithm>

namespace {

// "com10:" and above do not open; the device namespace reaches every port.
std::string OpenName(int port)
{
    return port < 10 ? PortName(port) : "\\\\.\\" + PortDevice(port, {});
}

// The errors by which a transfer learns that the device is no longer there.
bool DeviceGone(DWORD error)
{
    switch (error) {
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
        return true;
    default:
        return false;
    }
}

} // namespace

Win32SerialChannel::Win32SerialChannel(LinkTimings timings, std::function<void(int)> wait, std::function<void()> pump)
    : timings(timings), wait(std::move(wait)), pump(std::move(pump))
{
    if (!this->wait)
        this->wait = [](int ms) { Sleep(static_cast<DWORD>(ms)); };
}

Win32SerialChannel::~Win32SerialChannel()
{
    ClosePort();
}

DCB KeyerLine(DCB line, const LinkTimings& timings)
{
    line.BaudRate = static_cast<DWORD>(timings.baudRate);
    line.ByteSize = static_cast<BYTE>(timings.dataBits);
    line.Parity = NOPARITY;
    line.StopBits = timings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    line.fDtrControl = timings.dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    line.fDsrSensitivity = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fNull = FALSE;
    line.fRtsControl = timings.rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    return line;
}

int Win32SerialChannel::Fail(int status, std::string reason)
{
    failureReason = std::move(reason);
    return status;
}

int Win32SerialChannel::OpenPort(int port)
{
    failureReason.clear();
    // A second open would lose the first handle, and keep the port held.
    ClosePort();
    device = PortDevice(port, {});
    if (device.empty())
        return Fail(LinkStatus::CommOpen, NoDeviceForPort(port));

    portHandle = CreateFileA(OpenName(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (portHandle == INVALID_HANDLE_VALUE)
        return Fail(LinkStatus::CommOpen, ExplainOpenFailure(device, {}));
    portOpen = true;

    DCB line{};
    line.DCBlength = sizeof line;
    if (!GetCommState(portHandle, &line))
        return Fail(LinkStatus::GetCommState, SettingsUnreadable(device, SystemErrorText(GetLastError())));
    line = KeyerLine(line, timings);
    if (!SetCommState(portHandle, &line))
        return Fail(LinkStatus::SetCommState, SettingsRefused(device, SystemErrorText(GetLastError())));

    COMMTIMEOUTS limits{};
    limits.ReadIntervalTimeout = 0;
    limits.ReadTotalTimeoutMultiplier = 0;
    limits.ReadTotalTimeoutConstant = static_cast<DWORD>(timings.readTimeoutMs);
    limits.WriteTotalTimeoutMultiplier = 0;
    limits.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(portHandle, &limits);

    if (timings.settleMs > 0)
        wait(timings.settleMs);
    if (!PurgeComm(portHandle, PURGE_RXCLEAR))
        return Fail(LinkStatus::CommPurge, PurgeFailed(device, SystemErrorText(GetLastError())));
    return LinkStatus::Ok;
}

bool Win32SerialChannel::WaitFor(HANDLE event, int ms)
{
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(std::max(ms, 0));
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        if (!pump)
            return WaitForSingleObject(event, left) == WAIT_OBJECT_0;
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &event, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            return true;
        if (woke != WAIT_OBJECT_0 + 1)
            return false;
        pump();
    }
}

void Win32SerialChannel::NoteFailure(DWORD error)
{
    // A line error stops every transfer until it is cleared (when the port
    // had fAbortOnError set), and those transfers end as aborted too: only a
    // port that cannot be cleared has gone.
    DWORD errors = 0;
    COMSTAT status{};
    const bool cleared = ClearCommError(portHandle, &errors, &status) != 0;
    const DWORD clearError = cleared ? ERROR_SUCCESS : GetLastError();
    if ((DeviceGone(error) && error != ERROR_OPERATION_ABORTED) || (!cleared && DeviceGone(clearError)))
        lineLost = true;
}

int Win32SerialChannel::Transfer(Direction direction, void* buffer, int count, int limitMs)
{
    OVERLAPPED request{};
    request.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!request.hEvent)
        return -1;
    const DWORD wanted = static_cast<DWORD>(count);
    const BOOL finished = direction == Direction::Out ? WriteFile(portHandle, buffer, wanted, nullptr, &request)
                                                      : ReadFile(portHandle, buffer, wanted, nullptr, &request);
    int moved = -1;
    DWORD done = 0;
    if (!finished && GetLastError() != ERROR_IO_PENDING) {
        NoteFailure(GetLastError());
    } else if (!WaitFor(request.hEvent, limitMs)) {
        // The driver still owns the buffer and the request record: both must
        // outlive the request, so it is cancelled and the cancel waited for.
        CancelIo(portHandle);
        GetOverlappedResult(portHandle, &request, &done, TRUE);
        moved = static_cast<int>(done);
    } else if (GetOverlappedResult(portHandle, &request, &done, FALSE)) {
        moved = static_cast<int>(done); // on Windows, also a read that the time-out cut short
    } else if (GetLastError() == ERROR_TIMEOUT) {
        moved = static_cast<int>(done); // how wine ends a read that the time-out cut short
    } else {
        NoteFailure(GetLastError());
    }
    CloseHandle(request.hEvent);
    return moved;
}

int Win32SerialChannel::WritePort(const std::uint8_t* data, int count)
{
    if (!portOpen || lineLost || count < 0)
        return 0;
    // A write that the line holds back (flow control, a stalled adapter) gets
    // the line time of its bytes and a margin, not for ever.
    const double lineMs = std::min(count * timings.lineMsPerByte, 1e9);
    const int limit = static_cast<int>(lineMs) + timings.writeMarginMs;
    const int moved = Transfer(Direction::Out, const_cast<std::uint8_t*>(data), count, limit);
    // An overlapped transfer tells nothing before it ends: one step, at its end.
    if (progress && moved > 0)
        progress(moved, count);
    if (moved == count)
        return 1;
    // Whatever is left must not go out later, in the middle of another command.
    PurgeComm(portHandle, PURGE_TXCLEAR);
    return 0;
}

int Win32SerialChannel::ReadPort(std::uint8_t* buffer, int count)
{
    lastReadCount = 0;
    if (!portOpen || lineLost || count < 0)
        return 0;
    // The driver ends the read at the time-out; one that does not must still
    // not hold the window for ever.
    const int moved = Transfer(Direction::In, buffer, count, timings.readTimeoutMs + timings.writeMarginMs);
    lastReadCount = std::max(moved, 0);
    if (progress && moved > 0)
        progress(moved, count);
    return moved == count ? 1 : 0;
}

void Win32SerialChannel::ClosePort()
{
    if (portHandle != INVALID_HANDLE_VALUE)
        CloseHandle(portHandle);
    portHandle = INVALID_HANDLE_VALUE;
    portOpen = false;
    lineLost = false;
}
