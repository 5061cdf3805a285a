#include "files/Backups.h"

#include "files/NativePath.h"
#include "files/platform/FileSystem.h"

#include <algorithm>
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
    if (!TakeDigits(rest) || !Take(rest, "_") ||
        !(Take(rest, BackupKind::Read) || Take(rest, BackupKind::Write) || Take(rest, BackupKind::Verify)))
        return false;
    if (Take(rest, "_") && !TakeDigits(rest))
        return false;
    return rest == ".eep";
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

int Number(std::string_view digits)
{
    int n = 0;
    for (const char c : digits)
        n = n * 10 + (c - '0');
    return n;
}

} // namespace

std::optional<BackupInfo> ReadBackupName(std::string_view name)
{
    if (!IsBackupName(name))
        return std::nullopt;
    // "2026-12-07T10-42-05Z_rev30_read.eep"
    const long long days = DaysFromCivil(Number(name.substr(0, 4)), static_cast<unsigned>(Number(name.substr(5, 2))),
                                         static_cast<unsigned>(Number(name.substr(8, 2))));
    const long long seconds = days * 86400 + Number(name.substr(11, 2)) * 3600LL + Number(name.substr(14, 2)) * 60LL +
                              Number(name.substr(17, 2));
    std::string_view rest = name.substr(24); // behind "_rev"
    std::size_t digits = 0;
    while (digits < rest.size() && IsDigit(rest[digits]))
        ++digits;
    BackupInfo info{static_cast<std::time_t>(seconds), Number(rest.substr(0, digits)), {}};
    rest.remove_prefix(digits + 1);
    info.kind = std::string(rest.substr(0, rest.find_first_of("_.")));
    return info;
}

std::string BackupName(std::time_t when, int revision, const std::string& kind)
{
    const std::tm utc = platform::Utc(when);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%SZ", &utc);
    return std::string(stamp) + "_rev" + std::to_string(revision) + "_" + kind + ".eep";
}

std::tm LocalCalendarTime(std::time_t when)
{
    return platform::Local(when);
}

std::string_view BackupKindInWords(std::string_view kind)
{
    if (kind == BackupKind::Read)
        return "read from the keyer";
    if (kind == BackupKind::Verify)
        return "read back after writing";
    return "written to the keyer";
}

std::string_view BackupKindInBrief(std::string_view kind)
{
    if (kind == BackupKind::Read)
        return "read";
    if (kind == BackupKind::Verify)
        return "read back";
    return "written";
}

std::string WhyNoBackupFile(const std::string& folder, const std::string& name)
{
    std::error_code ec;
    // Not followed: a link could lead anywhere, and the list speaks only
    // of what is in the folder.
    const fs::file_status status = fs::symlink_status(NativePath(folder) / NativePath(name), ec);
    if (ec)
        return name + " cannot be looked at: " + ec.message() + ".";
    if (fs::is_symlink(status))
        return name + " is a link; only files inside the backups folder are opened.";
    if (!fs::is_regular_file(status))
        return name + " is no regular file.";
    return {};
}

std::vector<std::string> ListBackups(const std::string& folder, std::vector<std::string>* leftOut)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(NativePath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = Utf8Path(it->path().filename());
        if (!IsBackupName(name))
            continue;
        if (const std::string why = WhyNoBackupFile(folder, name); why.empty())
            names.push_back(name);
        else if (leftOut)
            leftOut->push_back(why);
    }
    std::sort(names.begin(), names.end());
    if (leftOut)
        std::sort(leftOut->begin(), leftOut->end());
    return names;
}

namespace {

using platform::OwnFolder;

// Creates the backup under `base` or, when that name is taken (another
// process in the same second), the next free "_2", "_3"...; never replaces.
std::string CreateBackup(const OwnFolder& dir, const std::string& base, const EepromImage& image, std::string& name,
                         std::string& problem)
{
    for (int n = 1; n < 1000; ++n) {
        name = n == 1 ? base : base.substr(0, base.size() - 4) + "_" + std::to_string(n) + ".eep";
        std::string reason;
        switch (dir.MakeNewFile(name, image.bytes.data(), image.bytes.size(), reason)) {
        case OwnFolder::Made::NameTaken:
            continue;
        case OwnFolder::Made::NotMade:
            problem = "no file could be made there: " + reason + ".";
            return problem;
        case OwnFolder::Made::NotWritten:
            problem = name + " could not be written: " + reason + ".";
            return problem;
        case OwnFolder::Made::Done:
            return problem;
        }
    }
    problem = "every name for this second is taken.";
    return problem;
}

std::vector<std::string> BackupNames(const OwnFolder& dir)
{
    std::vector<std::string> names = dir.RegularFiles();
    names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& n) { return !IsBackupName(n); }),
                names.end());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::string SaveBackup(const std::string& folder, const EepromImage& image, int revision, const std::string& kind,
                       std::time_t when)
{
    OwnFolder::Refusal refusal = OwnFolder::Refusal::None;
    std::string reason;
    const OwnFolder dir = OwnFolder::Open(folder, refusal, reason);
    switch (refusal) {
    case OwnFolder::Refusal::None:
        break;
    case OwnFolder::Refusal::LinkOrNoFolder:
        return folder + " is a link or no folder; backups are kept only in a folder of your own.";
    case OwnFolder::Refusal::AnotherUsers:
        return folder + " belongs to another user; backups are kept only in a folder of your own.";
    case OwnFolder::Refusal::CannotOpen:
        return "the folder " + folder + " cannot be opened: " + reason + ".";
    }
    std::string name;
    std::string problem;
    if (CreateBackup(dir, BackupName(when, revision, kind), image, name, problem).empty()) {
        // The newest kept, by name; the one just made among them whatever a
        // wrong clock once named the others.
        std::vector<std::string> others = BackupNames(dir);
        others.erase(std::remove(others.begin(), others.end(), name), others.end());
        for (std::size_t i = 0; i + BackupsKept - 1 < others.size(); ++i)
            dir.Remove(others[i]);
    } else {
        problem = "In " + folder + ", " + problem;
    }
    return problem;
}
