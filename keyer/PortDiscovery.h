#pragma once

// Which device each Comm entry opens, and whether it is there right now:
// looked up afresh every time, since adapters come and go.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Resolved device path -> what the system says the adapter is. On Windows
// the device is the port's own name ("COM15"), and every port the system
// has is there, with the name it gives the port or an empty text.
using AdapterDescriptions = std::map<std::string, std::string>;

struct PortPresence {
    int port = 0;
    std::string device;   // what the port opens: a com<n> link's target, else the default device
    bool present = false; // the device path exists now, links followed
    std::string adapter;  // the adapter's description, where known
};

PortPresence DescribePort(int port, const std::string& configFolder, const AdapterDescriptions& adapters);

// The ports to choose from, in order: Com1 to Com12 always, then those above
// that the system has now, and the chosen one, present or not, so that a
// port once chosen never drops out of sight.
std::vector<int> OfferedPorts(std::int32_t selected, const AdapterDescriptions& adapters);

// "Com5 /dev/ttyUSB0 — FT232R USB UART", "Com1 /dev/ttyS0 (not present)";
// control characters in a name are shown escaped (\n, \t, \x1b).
std::string PortCaption(const PortPresence& presence);

// `text` with its control characters and backslashes escaped.
std::string ShownControls(std::string_view text);

// A device a port can be given, under its stablest name.
struct AssignableDevice {
    std::string name;    // a /dev/serial/by-id/ name when one leads to it, else the device
    std::string device;  // the device itself
    std::string adapter; // its description, where known
};

// The present serial devices, each once, named from `stableFolder` (normally
// /dev/serial/by-id) where a name there leads to them.
std::vector<AssignableDevice> AssignableDevices(const AdapterDescriptions& adapters, const std::string& stableFolder);

// Why `path` cannot be given to a port, or an empty text: it must be a whole
// path that leads (links followed) to a device that is there now and is a
// terminal, as serial ports are.
std::string WhyNotADevice(const std::string& path);

// Makes port `port` open `device` through the link com<n> in `configFolder`,
// replacing an earlier link. Returns what went wrong, or an empty text; a
// com<n> that is not a link is never replaced.
std::string AssignPortDevice(const std::string& configFolder, int port, const std::string& device);
