#include "keyer/PortProblems.h"

#include <filesystem>
#include <system_error>

std::string ResolveDevice(const std::string& name)
{
    std::error_code ec;
    const auto resolved = std::filesystem::canonical(name, ec);
    return ec ? name : resolved.string();
}
