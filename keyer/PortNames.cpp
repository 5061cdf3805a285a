#include "keyer/PortNames.h"

#include <array>
#include <filesystem>
#include <system_error>

int HighestPort()
{
#ifdef _WIN32
    return 256;
#else
    return PortCount;
#endif
}

std::string PortName(int port)
{
    return PortLinkName(port) + ":";
}

std::string PortLinkName(int port)
{
    return "com" + std::to_string(port);
}

std::string PortLabel(int port)
{
    return "Com" + std::to_string(port);
}

std::string PortDevice(int port, const std::string& configFolder)
{
#ifdef _WIN32
    (void)configFolder;
    return port >= 1 && port <= HighestPort() ? "COM" + std::to_string(port) : std::string();
#else
    if (!configFolder.empty()) {
        const auto link = std::filesystem::path(configFolder) / PortLinkName(port);
        std::error_code ec;
        // A dangling link still names the device the person meant; opening it
        // will say that it is missing.
        if (std::filesystem::exists(std::filesystem::symlink_status(link, ec)))
            return link.string();
    }
    static const std::array<const char*, 3> families{"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
    if (port < 1 || port > PortCount)
        return {};
    return families[static_cast<std::size_t>((port - 1) / 4)] + std::to_string((port - 1) % 4);
#endif
}
