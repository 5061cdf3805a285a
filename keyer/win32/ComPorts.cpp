#include "keyer/win32/ComPorts.h"

#include "files/WideText.h"
#include "keyer/PortNames.h"

#include <cwctype>
#include <map>
#include <windows.h>
// After windows.h, which it needs.
#include <setupapi.h>

namespace {

// The Ports device class; spelled out, as the import library's symbol is
// not the GUID itself with this toolchain.
constexpr GUID PortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// A REG_SZ value as text; stored text need not end in a null.
std::wstring TextValue(const wchar_t* data, DWORD bytes)
{
    std::wstring_view text(data, bytes / sizeof(wchar_t));
    return std::wstring(text.substr(0, text.find(L'\0')));
}

// The ports the serial drivers have registered, each once.
std::vector<int> RegisteredPorts()
{
    std::vector<int> found;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        // No driver list: the names the system would resolve.
        for (int n = 1; n <= HighestPort(); ++n) {
            wchar_t target[512];
            if (::QueryDosDeviceW((L"COM" + std::to_wstring(n)).c_str(), target, 512) != 0)
                found.push_back(n);
        }
        return found;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[64];
        DWORD dataBytes = sizeof data;
        DWORD type = 0;
        const LONG got =
            ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
        if (got == ERROR_NO_MORE_ITEMS)
            break;
        if (got == ERROR_SUCCESS && type == REG_SZ)
            found.push_back(ComPortNumber(TextValue(data, dataBytes)));
    }
    ::RegCloseKey(key);
    return found;
}

// Port number -> the friendly name of the device behind it, for the devices
// of the Ports class that are there now.
std::map<int, std::string> FriendlyNames()
{
    std::map<int, std::string> names;
    const HDEVINFO devices = ::SetupDiGetClassDevsW(&PortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        const HKEY key = ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t portName[64];
        DWORD bytes = sizeof portName;
        DWORD type = 0;
        const bool named = ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName),
                                              &bytes) == ERROR_SUCCESS &&
                           type == REG_SZ;
        ::RegCloseKey(key);
        const int port = named ? ComPortNumber(TextValue(portName, bytes)) : 0;
        wchar_t friendly[256];
        bytes = 0;
        if (port == 0 || !::SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, &type,
                                                              reinterpret_cast<BYTE*>(friendly), sizeof friendly,
                                                              &bytes))
            continue;
        names[port] = WithoutPortSuffix(Utf8(TextValue(friendly, bytes)), port);
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return names;
}

} // namespace

int ComPortNumber(std::wstring_view name)
{
    if (name.size() < 4 || name.size() > 6 || std::towupper(name[0]) != L'C' || std::towupper(name[1]) != L'O' ||
        std::towupper(name[2]) != L'M' || name[3] == L'0')
        return 0;
    int number = 0;
    for (const wchar_t c : name.substr(3)) {
        if (c < L'0' || c > L'9')
            return 0;
        number = number * 10 + (c - L'0');
    }
    return number <= HighestPort() ? number : 0;
}

std::string WithoutPortSuffix(std::string name, int port)
{
    const std::string suffix = " (COM" + std::to_string(port) + ")";
    if (name.size() > suffix.size() && name.ends_with(suffix))
        name.erase(name.size() - suffix.size());
    return name;
}

AdapterDescriptions ComPortsPresent()
{
    const std::map<int, std::string> names = FriendlyNames();
    AdapterDescriptions present;
    for (const int port : RegisteredPorts()) {
        if (port < 1)
            continue;
        const auto name = names.find(port);
        present.emplace(PortDevice(port, {}), name != names.end() ? name->second : std::string());
    }
    return present;
}
