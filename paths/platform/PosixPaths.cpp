#include "files/NativePath.h"
#include "paths/PathRules.h"

#include <cstdlib>
#include <filesystem>
#include <sys/utsname.h>
#include <system_error>

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string OsFamily()
{
    utsname system{};
    if (::uname(&system) != 0)
        return {};
    const std::string kernel = system.sysname;
    if (kernel == "Linux")
        return "Linux";
    if (kernel == "Darwin")
        return "macOS";
    std::string lower = kernel;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower;
}

} // namespace

AppPaths DeterminePaths()
{
    FoundPaths found;
    std::error_code ec;
    // Linux names the running program here; elsewhere it stays unknown.
    found.exe = Utf8Path(std::filesystem::read_symlink("/proc/self/exe", ec));
    found.home = Environment("HOME");
    found.configHome = Environment("XDG_CONFIG_HOME");
    found.dataHome = Environment("XDG_DATA_HOME");
    found.osFamily = OsFamily();
    return XdgPaths(found);
}
