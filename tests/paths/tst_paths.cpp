#include "paths/PathRules.h"

#include <doctest.h>

TEST_CASE("the exe rule")
{
    const struct {
        const char* exe;
        const char* cfg;
        const char* hlp;
    } rows[] = {
        {"C:\\Program Files\\mv2mgr\\mv2mgr.exe", "C:\\Program Files\\mv2mgr\\mv2mgr.cfg",
         "C:\\Program Files\\mv2mgr\\mv2mgr.hlp"},
        {"C:\\exes\\mv2mgr.exe", "C:\\cfg", "C:\\hlp"}, // the first "exe" wins
        {"C:\\MV2MGR.EXE", "C:\\MV2MGR.EXE.cfg", "C:\\MV2MGR.EXE.hlp"},
    };
    for (const auto& row : rows) {
        CAPTURE(row.exe);
        CHECK(ReplaceFirstExe(row.exe, "cfg") == row.cfg);
        const AppPaths paths = BesideProgramPaths({row.exe, {}, {}, {}, "C:\\Users\\Jos\xC3\xA9\\AppData\\Local", {}});
        CHECK(paths.exePath == row.exe);
        CHECK(paths.portSettingsPath == row.cfg);
        CHECK(paths.helpPath == row.hlp);
        CHECK(paths.configFolder == "C:\\Users\\Jos\xC3\xA9\\AppData\\Local\\mv2mgr");
        CHECK(paths.backupFolder == "C:\\Users\\Jos\xC3\xA9\\AppData\\Local\\mv2mgr\\backups");
        CHECK(paths.osFamily == "WinNT/WinXP");
    }
}

TEST_CASE("the XDG folders")
{
    // As Qt named them: a tidied $HOME, the variables as they are.
    const struct {
        const char* home;
        const char* configHome;
        const char* dataHome;
        const char* config;
        const char* backups;
    } rows[] = {
        {"/home/op", "", "", "/home/op/.config/mv2mgr", "/home/op/.local/share/mv2mgr/backups"},
        {"/home//op/./x/../", "", "", "/home/op/.config/mv2mgr", "/home/op/.local/share/mv2mgr/backups"},
        {"", "", "", "//.config/mv2mgr", "//.local/share/mv2mgr/backups"},
        {"a/../../b", "", "", "../b/.config/mv2mgr", "../b/.local/share/mv2mgr/backups"},
        {"/a/b/../../..", "", "", "/../.config/mv2mgr", "/../.local/share/mv2mgr/backups"},
        {".", "", "", "./.config/mv2mgr", "./.local/share/mv2mgr/backups"},
        {"/home/op", "/xdg/config/", "/xdg//data", "/xdg/config//mv2mgr", "/xdg//data/mv2mgr/backups"},
        {"/home/op", "cfg", "", "cfg/mv2mgr", "/home/op/.local/share/mv2mgr/backups"},
    };
    for (const auto& row : rows) {
        CAPTURE(row.home);
        CAPTURE(row.configHome);
        const AppPaths paths = XdgPaths({"/usr/bin/mv2mgr", row.home, row.configHome, row.dataHome, {}, "Linux"});
        CHECK(paths.configFolder == row.config);
        CHECK(paths.portSettingsPath == std::string(row.config) + "/mv2mgr.cfg");
        CHECK(paths.backupFolder == row.backups);
        CHECK(paths.helpPath == "");
        CHECK(paths.exePath == "/usr/bin/mv2mgr");
        CHECK(paths.osFamily == "Linux");
    }
}
