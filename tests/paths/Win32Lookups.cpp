#include "paths/Paths.h"

#include <cstdlib>
#include <doctest.h>
#include <string>

TEST_CASE("the folders come from this user's environment")
{
    const wchar_t* saved = ::_wgetenv(L"LOCALAPPDATA");
    const std::wstring before = saved ? saved : L"";
    ::_wputenv_s(L"LOCALAPPDATA", L"C:\\Users\\Jos\u00e9\\AppData\\Local");
    const AppPaths paths = DeterminePaths();
    ::_wputenv_s(L"LOCALAPPDATA", before.c_str());
    CHECK(paths.backupFolder == "C:\\Users\\Jos\xC3\xA9\\AppData\\Local\\mv2mgr\\backups");
    CHECK(paths.exePath.ends_with("\\tst_paths.exe"));
    CHECK(paths.portSettingsPath.ends_with("\\tst_paths.cfg"));
    CHECK(paths.helpPath.ends_with("\\tst_paths.hlp"));
}
