#include "files/Backups.h"

#include "files/RegularFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Takes a run of digits off the front; false when there is none.
bool TakeDigits(std::string_view& rest)
{
    std::size_t n = 0;
    while (n < rest.size() && IsDigit(rest[n]))
        ++n;
    rest.remove_prefix(n);
    return n > 0;
}

bool Take(std::string_view& rest, std::string_view word)
{
    if (!rest.starts_with(word))
        return false;
    rest.remove_prefix(word.size());
    return true;
}

// The names this program gives (2026-12-07T10-42-05Z_rev30_read.eep, maybe
// with _2 before .eep); nothing else in the folder is touched.
bool IsBackupName(std::string_view rest)
{
    constexpr std::string_view stamp = "####-##-##T##-##-##Z_rev"; // # a digit
    if (rest.size() < stamp.size())
        return false;
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        if (stamp[i] == '#' ? !IsDigit(rest[i]) : rest[i] != stamp[i])
            return false;
    }
    rest.remove_prefix(stamp.size());
    if (!TakeDigits(rest) || !Take(rest, "_") || !(Take(rest, BackupKind::Read) || Take(rest, BackupKind::Write)))
        return false;
    if (Take(rest, "_") && !TakeDigits(rest))
        return false;
    return rest == ".eep";
}

} // namespace

std::string BackupName(std::time_t when, int revision, const std::string& kind)
{
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &when);
#else
    gmtime_r(&when, &utc);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%SZ", &utc);
    return std::string(stamp) + "_rev" + std::to_string(revision) + "_" + kind + ".eep";
}

std::vector<std::string> ListBackups(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsBackupName(name) && it->is_regular_file(ec))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string SaveBackup(const std::string& folder, const EepromImage& image, int revision, const std::string& kind,
                       std::time_t when)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string base = BackupName(when, revision, kind);
    std::string name = base;
    // Two in one second (a read straight after another) keep both.
    for (int n = 2; fs::exists(fs::path(folder) / name, ec); ++n)
        name = base.substr(0, base.size() - 4) + "_" + std::to_string(n) + ".eep";
    const std::string path = (fs::path(folder) / name).string();
    switch (ReplaceRegularFile(path, image.bytes.data(), image.bytes.size())) {
    case FileProblem::None:
        break;
    case FileProblem::WriteFailed:
        return "The backup " + path + " could not be written.";
    default:
        return "No backup could be made in " + folder + ".";
    }
    const std::vector<std::string> all = ListBackups(folder);
    for (std::size_t i = 0; i + BackupsKept < all.size(); ++i)
        fs::remove(fs::path(folder) / all[i], ec);
    return {};
}
