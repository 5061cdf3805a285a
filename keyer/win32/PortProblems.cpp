#include "keyer/PortProblems.h"

#include <windows.h>

namespace {

// What the system says of `error`, in its own words, without the line break
// it ends with.
std::string SystemWords(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string words;
    if (length > 0) {
        const int size =
            ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        words.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), words.data(), size, nullptr, nullptr);
    }
    ::LocalFree(text);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' '))
        words.pop_back();
    return words;
}

} // namespace

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
    std::string words = SystemWords(error);
    if (words.empty())
        words = systemText;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "No such device: " + device + ". Is the adapter plugged in, and is this the right port? (" + words + ")";
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return "Busy: " + device + " is in use by another program. Close it, or choose another port. (" + words + ")";
    case ERROR_ACCESS_DENIED:
        // What Windows says when another program has the port open.
        return "Access denied: " + device +
               " is in use by another program, or this account may not open it. Close the other program, or "
               "choose another port. (" +
               words + ")";
    default:
        return device + ": " + words;
    }
}

std::optional<bool> IsTerminal(const std::string&)
{
    // Windows names its serial ports itself; there is nothing to ask here.
    return std::nullopt;
}
