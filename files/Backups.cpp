#include "files/Backups.h"

#include "files/RegularFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The names this program gives; nothing else in the folder is touched.
bool IsBackupName(const std::string& name)
{
    static const std::regex pattern(R"(\d{4}-\d\d-\d\dT\d\d-\d\d-\d\dZ_rev\d+_(read|write)(_\d+)?\.eep)");
    return std::regex_match(name, pattern);
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
