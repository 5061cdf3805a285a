#pragma once

// The rules that turn what a system tells about its user into AppPaths, one
// per kind of system, so that each can be checked on every platform.

#include "paths/Paths.h"

// What a platform's lookups found; what it has no such thing for stays empty.
struct FoundPaths {
    std::string exe;
    std::string home;         // $HOME
    std::string configHome;   // $XDG_CONFIG_HOME
    std::string dataHome;     // $XDG_DATA_HOME
    std::string localAppData; // %LOCALAPPDATA%
    std::string osFamily;
};

// Unix: the XDG base folders, exactly as Qt named them for this program
// before (a relative or untidy variable is taken as it is; $HOME is tidied).
AppPaths XdgPaths(const FoundPaths& found);

// Windows: the port settings and the help beside the program, by the exe
// rule; backups in the user's local application data.
AppPaths BesideProgramPaths(const FoundPaths& found);
