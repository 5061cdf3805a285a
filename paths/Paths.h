#pragma once

// Where the program finds its files on this platform: the window and the
// command line use the same ones. Paths are UTF-8.

#include <string>

struct AppPaths {
    std::string exePath;
    std::string portSettingsPath;
    std::string helpPath;     // the help file beside the program; empty where the help is built in
    std::string configFolder; // where com<n> links override the port devices
    std::string backupFolder; // where images read from and written to keyers are kept
    std::string osFamily;     // shown in the About box
};

// The lookups of this platform (paths/platform/), put through its rule.
AppPaths DeterminePaths();

// The path with its first lower-case "exe" replaced by `extension` and cut
// right after it; a path without one gets ".<extension>" appended.
std::string ReplaceFirstExe(const std::string& path, const std::string& extension);
