#include "paths/Paths.h"

#include <cstdlib>
#include <doctest.h>

TEST_CASE("the folders come from this user's environment")
{
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string before = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", "/data/Jos\xC3\xA9", 1);
    const AppPaths paths = DeterminePaths();
    saved ? ::setenv("XDG_DATA_HOME", before.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    CHECK(paths.backupFolder == "/data/Jos\xC3\xA9/mv2mgr/backups");
    CHECK(paths.exePath.ends_with("/tst_paths"));
}
