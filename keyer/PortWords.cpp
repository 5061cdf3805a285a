#include "keyer/PortWords.h"

std::string NoDeviceForPort(int port)
{
    return "Port " + std::to_string(port) + " names no device.";
}

std::string NoSuchDevice(const std::string& device)
{
    return "No such device: " + device + ". Is the adapter plugged in, and is this the right port?";
}

std::string InUseElsewhere(const std::string& who, const std::string& device)
{
    return who + ": " + device + " is in use by another program. Close it, or choose another port.";
}

std::string SettingsUnreadable(const std::string& device, const std::string& systemText)
{
    return device + ": the line settings could not be read (" + systemText + ").";
}

std::string SettingsRefused(const std::string& device, const std::string& systemText)
{
    return device + ": the line settings were refused (" + systemText + ").";
}

std::string PurgeFailed(const std::string& device, const std::string& systemText)
{
    return device + ": the receive buffer could not be cleared (" + systemText + ").";
}

std::string SystemSaid(const std::string& device, const std::string& systemText)
{
    return device + ": " + systemText;
}
