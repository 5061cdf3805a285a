// The file checks that need Windows.

#include "files/EepromFile.h"
#include "files/FileChecks.h"
#include "files/NativePath.h"

#include <doctest.h>
#include <windows.h>

TEST_CASE("a failed save keeps the old file")
{
    // Another program reads the file and will not let it be replaced.
    const TestFolder dir;
    const auto path = dir.Path("old.eep");
    WriteBytes(path, std::string(256, 'x'));
    const HANDLE held = ::CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    const std::string problem = StoreEepromFile(path, CountingImage(0));
    ::CloseHandle(held);
    CHECK(problem == "Export Log File Failed.");
    CHECK(ReadBytes(path) == std::string(256, 'x'));
    CHECK(EntriesIn(dir.path) == 1);
    // Let go, it is replaced.
    CHECK(StoreEepromFile(path, CountingImage(0)) == "");
    CHECK(ReadBytes(path)[1] == 1);
}
