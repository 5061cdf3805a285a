#include "files/NativePath.h"
#include "paths/PathRules.h"

#include <cstdlib>
#include <filesystem>
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

namespace {

std::string ProgramFile()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return Utf8Path(std::filesystem::path(path));
        }
        path.resize(path.size() * 2);
    }
}

// The variable first, as the user may have set it; the shell's answer where
// there is none.
std::string LocalAppData()
{
    if (const wchar_t* value = ::_wgetenv(L"LOCALAPPDATA"); value && *value)
        return Utf8Path(std::filesystem::path(value));
    wchar_t* known = nullptr;
    std::string folder;
    if (::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known) == S_OK)
        folder = Utf8Path(std::filesystem::path(known));
    ::CoTaskMemFree(known);
    return folder;
}

} // namespace

AppPaths DeterminePaths()
{
    FoundPaths found;
    found.exe = ProgramFile();
    found.localAppData = LocalAppData();
    return BesideProgramPaths(found);
}
