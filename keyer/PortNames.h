#pragma once

// Which device each numbered port opens. The keyer's own documentation names
// ports "com1:" to "com12:"; here each number maps to a device of this
// machine, and a link named com<n> in the configuration folder overrides it.

#include <string>

// Com1 to Com12: the ports the Comm menu always offers.
inline constexpr int PortCount = 12;

// The highest port number this system can open: Windows hands out COM
// numbers up to 256, often above 12; elsewhere a port is one of the twelve.
int HighestPort();

// "com<n>:", the name the keyer's documentation uses for port n.
std::string PortName(int port);

// "com<n>", the link in the configuration folder that gives port n a device.
std::string PortLinkName(int port);

// "Com<n>", as the Comm menu and the command line name port n to a person.
std::string PortLabel(int port);

// The device port n opens, or an empty text when it names none.
std::string PortDevice(int port, const std::string& configFolder);
