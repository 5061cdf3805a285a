#pragma once

// Which COM ports this machine has now, and what Windows calls each: the one
// answer the window's Comm menu and mv2mgr-cli's `ports` both give.

#include "keyer/PortDiscovery.h"

#include <string>
#include <string_view>

// Every COM port the system lists (1 to 256), as "COM15" -> the name
// Windows gives it ("USB Serial Port"), or an empty text where it gives
// none. Looked up afresh at every call: adapters come and go.
AdapterDescriptions ComPortsPresent();

// The number in a port name such as "COM15", or 0.
int ComPortNumber(std::wstring_view name);

// A device's friendly name without the port it ends in: "USB Serial Port
// (COM15)" -> "USB Serial Port", since the menu names the port already.
std::string WithoutPortSuffix(std::string name, int port);
