#include "keyer/PortProblems.h"

#include "files/WideText.h"
#include "keyer/PortWords.h"

#include <windows.h>

void ClearStaleLock(const std::string& device)
{
    // Windows keeps no lock files: a port is held exactly as long as a
    // program has it open.
    (void)device;
}

std::string ExplainOpenFailure(const std::string& device, const std::string& systemText)
{
    // First, before any other call can change it.
    const DWORD error = ::GetLastError();
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return NoSuchDevice(device);
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return InUseElsewhere("Busy", device);
    case ERROR_ACCESS_DENIED:
        // What Windows says when another program has the port open.
        return "Access denied: " + device +
               " is in use by another program, or this account may not open it. Close the other program, or "
               "choose another port.";
    default:
        return SystemSaid(device, error ? SystemErrorText(error) : systemText);
    }
}

std::string SystemErrorText(unsigned long error)
{
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string words = length > 0 ? Utf8(std::wstring_view(text, length)) : std::string();
    if (text)
        ::LocalFree(text);
    while (!words.empty() &&
           (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' || words.back() == '.'))
        words.pop_back();
    return words.empty() ? "error " + std::to_string(error) : words;
}

std::optional<bool> IsTerminal(const std::string&)
{
    // Windows names its serial ports itself; there is nothing to ask here.
    return std::nullopt;
}
