#pragma once

// The sentences that say why a port failed, the same on every platform; each
// channel fills in the device as its system names it and the system's words.

#include <string>

std::string NoDeviceForPort(int port);
std::string NoSuchDevice(const std::string& device);
// `who` leads the sentence: "Busy", or the process that holds the lock.
std::string InUseElsewhere(const std::string& who, const std::string& device);
std::string SettingsUnreadable(const std::string& device, const std::string& systemText);
std::string SettingsRefused(const std::string& device, const std::string& systemText);
std::string PurgeFailed(const std::string& device, const std::string& systemText);
// When nothing more precise is known.
std::string SystemSaid(const std::string& device, const std::string& systemText);
