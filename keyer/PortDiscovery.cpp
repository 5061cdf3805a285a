#include "keyer/PortDiscovery.h"

#include "keyer/PortNames.h"
#include "keyer/PortProblems.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

PortPresence DescribePort(int port, const std::string& configFolder, const AdapterDescriptions& adapters)
{
    PortPresence presence;
    presence.port = port;
    presence.device = PortDevice(port, configFolder);
#ifdef _WIN32
    // Windows names its ports itself, and lists each one it has.
    const auto listed = adapters.find(presence.device);
    presence.present = !presence.device.empty() && listed != adapters.end();
    if (presence.present)
        presence.adapter = listed->second;
#else
    std::error_code ec;
    // A com<n> link is shown by where it leads, not by its own name.
    const fs::path named(presence.device);
    if (fs::is_symlink(named, ec)) {
        fs::path target = fs::read_symlink(named, ec);
        if (!ec)
            presence.device =
                (target.is_absolute() ? target : named.parent_path() / target).lexically_normal().string();
    }
    presence.present = !presence.device.empty() && fs::exists(presence.device, ec);
    if (presence.present) {
        const auto adapter = adapters.find(ResolveDevice(presence.device));
        if (adapter != adapters.end())
            presence.adapter = adapter->second;
    }
#endif
    return presence;
}

std::vector<int> OfferedPorts(std::int32_t selected, const AdapterDescriptions& adapters)
{
    std::vector<int> ports;
    for (int port = 1; port <= HighestPort(); ++port) {
        if (port <= PortCount || port == selected || adapters.count(PortDevice(port, {})) > 0)
            ports.push_back(port);
    }
    return ports;
}

std::string ShownControls(std::string_view text)
{
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            shown += "\\\\";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            const char* const hex = "0123456789abcdef";
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string PortCaption(const PortPresence& presence)
{
    std::string caption = PortLabel(presence.port);
    if (presence.device.empty())
        return caption;
    // A link's target may hold any byte; one port stays one line.
    caption += ' ';
    caption += ShownControls(presence.device);
    if (!presence.present)
        return caption + " (not present)";
    return presence.adapter.empty() ? caption : caption + " \u2014 " + ShownControls(presence.adapter);
}

std::vector<AssignableDevice> AssignableDevices(const AdapterDescriptions& adapters, const std::string& stableFolder)
{
    std::map<std::string, std::string> stableNames; // device -> stable name
    std::error_code ec;
    for (fs::directory_iterator it(stableFolder, ec), end; !ec && it != end; it.increment(ec))
        stableNames.emplace(ResolveDevice(it->path().string()), it->path().string());

    std::vector<AssignableDevice> devices;
    for (const auto& [device, adapter] : adapters) {
        if (!fs::exists(device, ec))
            continue;
        const auto stable = stableNames.find(device);
        devices.push_back({stable != stableNames.end() ? stable->second : device, device, adapter});
    }
    return devices;
}

std::string WhyNotADevice(const std::string& path)
{
    if (path.empty())
        return "Type the device's path, for example /dev/rfcomm0, or browse for it.";
    if (path.front() != '/')
        return std::string(1, '"').append(ShownControls(path)) +
               "\" is not a whole path; a device's path begins with /dev/.";
    std::error_code ec;
    const auto status = fs::status(path, ec);
    const std::string shown = ShownControls(path);
    if (!fs::exists(status))
        return "No such device: " + shown + ". Is it connected, and is the path right?";
    if (fs::is_directory(status))
        return shown + " is a folder, not a serial device.";
    if (fs::is_regular_file(status))
        return shown + " is a file, not a serial device.";
    if (status.type() != fs::file_type::character)
        return shown + " is not a serial device.";
    if (IsTerminal(path) == false)
        return shown + " is a device, but not a serial port: it is no terminal.";
    return {};
}

std::string AssignPortDevice(const std::string& configFolder, int port, const std::string& device)
{
    if (port < 1 || port > PortCount)
        return "There is no port " + PortLabel(port) + ".";
    std::error_code ec;
    const fs::path link = fs::path(configFolder) / PortLinkName(port);
    const auto status = fs::symlink_status(link, ec);
    if (fs::exists(status) && !fs::is_symlink(status))
        return link.string() + " is not a link, so it was left as it is. Move it away to assign a device to " +
               PortLabel(port) + ".";
    fs::create_directories(configFolder, ec);
    // Made beside and renamed over, so the port never points nowhere.
    const fs::path fresh = link.string() + ".new";
    fs::remove(fresh, ec);
    fs::create_symlink(device, fresh, ec);
    if (!ec)
        fs::rename(fresh, link, ec);
    if (ec) {
        const std::string why = ec.message();
        fs::remove(fresh, ec);
        return "The link " + link.string() + " could not be made: " + why + ".";
    }
    return {};
}
