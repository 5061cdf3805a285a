#pragma once

// Why a serial device could not be opened, said so that a person knows what
// to do: an unplugged adapter, a missing group membership and a port that
// another program holds must not look alike.

#include <optional>
#include <string>

// The device a port name leads to, links followed; the name itself when it
// leads nowhere (opening it will then say so).
std::string ResolveDevice(const std::string& name);

// Whether `device` is a terminal, as every serial port is and /dev/null is
// not; nothing when it cannot be opened to ask (another program holds it,
// or its group is not the person's), which opening it for the keyer will
// then explain.
std::optional<bool> IsTerminal(const std::string& device);

// The reason for a failed open of `device`; `systemText` is what the serial
// library said, used when nothing more precise is found. On Windows it is
// the thread's last error that is explained: call it right after the open.
std::string ExplainOpenFailure(const std::string& device, const std::string& systemText);

// The system's own words for an error number (errno; a Windows error
// code), without the full stop: the sentences it goes into end themselves.
std::string SystemErrorText(unsigned long error);

// Removes the serial library's lock on `device` when no program holds it:
// an empty lock left by a program that died while making it, or one naming
// a process that no longer runs. Such a lock would refuse the port for ever.
void ClearStaleLock(const std::string& device);
