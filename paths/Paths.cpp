#include "paths/PathRules.h"

#include <algorithm>
#include <vector>

namespace {

// $HOME as Qt tidies it: no empty, "." or doubled parts, ".." taken back
// where it can be, no slash at the end; an empty one is the root.
std::string TidyHome(const std::string& home)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= home.size()) {
        const std::size_t end = std::min(home.find('/', start), home.size());
        const std::string part = home.substr(start, end - start);
        if (part == ".." && !parts.empty() && parts.back() != "..")
            parts.pop_back();
        else if (!part.empty() && part != ".")
            parts.push_back(part);
        start = end + 1;
    }
    const bool absolute = home.empty() || home.front() == '/';
    std::string tidy = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i)
        tidy += (i ? "/" : "") + parts[i];
    return tidy.empty() ? "." : tidy;
}

} // namespace

std::string ReplaceFirstExe(const std::string& path, const std::string& extension)
{
    const std::size_t at = path.find("exe");
    if (at == std::string::npos)
        return path + "." + extension;
    return path.substr(0, at) + extension;
}

AppPaths XdgPaths(const FoundPaths& found)
{
    AppPaths paths;
    paths.exePath = found.exe;
    paths.osFamily = found.osFamily;
    const std::string home = TidyHome(found.home);
    paths.configFolder = (found.configHome.empty() ? home + "/.config" : found.configHome) + "/mv2mgr";
    // Beside the program is rarely writable here; the per-user folder is.
    paths.portSettingsPath = paths.configFolder + "/mv2mgr.cfg";
    paths.backupFolder = (found.dataHome.empty() ? home + "/.local/share" : found.dataHome) + "/mv2mgr/backups";
    return paths;
}

AppPaths BesideProgramPaths(const FoundPaths& found)
{
    AppPaths paths;
    paths.exePath = found.exe;
    paths.osFamily = "WinNT/WinXP";
    paths.portSettingsPath = ReplaceFirstExe(found.exe, "cfg");
    paths.helpPath = ReplaceFirstExe(found.exe, "hlp");
    paths.configFolder = found.localAppData + "\\mv2mgr";
    paths.backupFolder = paths.configFolder + "\\backups";
    return paths;
}
