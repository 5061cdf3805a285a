#pragma once

// Copies of every image read from a keyer and of every image about to be
// written to one, so that what a keyer held is never lost.

#include "image/EepromImage.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int BackupsKept = 200;

// Which way the image went: the last word of a backup's name.
namespace BackupKind {
inline constexpr const char* Read = "read";     // read from a keyer
inline constexpr const char* Write = "write";   // about to be written to one
inline constexpr const char* Verify = "verify"; // read back after a write, when it differed
} // namespace BackupKind

// How a kind is told in the backups list: "read from the keyer", "written
// to the keyer", "read back after writing"; and in a title: "read",
// "written", "read back".
std::string_view BackupKindInWords(std::string_view kind);
std::string_view BackupKindInBrief(std::string_view kind);

// "2026-12-07T10-42-05Z_rev30_read.eep": UTC, so that the names sort by
// time whatever the clocks did meanwhile. `kind` is a BackupKind.
std::string BackupName(std::time_t when, int revision, const std::string& kind);

// Saves `image` into `folder` (made if missing) under a name no file has yet,
// then keeps the newest BackupsKept backups there, the one just made always
// among them, and deletes nothing else. The folder must be this user's own
// (not a link, not another's); nothing is written or deleted elsewhere.
// Returns why no backup was kept, or an empty text.
std::string SaveBackup(const std::string& folder, const EepromImage& image, int revision, const std::string& kind,
                       std::time_t when);

// The backups in `folder`, oldest first: regular files with a backup's
// name, never a link. What is named like one but is none is left out, and
// said in `leftOut` ("NAME is a link; ..."), where given.
std::vector<std::string> ListBackups(const std::string& folder, std::vector<std::string>* leftOut = nullptr);

// Why `name` in `folder` is no backup to open (a link, no regular file), or
// an empty text. Asked again just before one is opened.
std::string WhyNoBackupFile(const std::string& folder, const std::string& name);

// The calendar time of `when` where the person is, as a backup's time is told.
std::tm LocalCalendarTime(std::time_t when);

// What a backup's name says.
struct BackupInfo {
    std::time_t when; // UTC
    int revision;
    std::string kind; // a BackupKind
};
std::optional<BackupInfo> ReadBackupName(std::string_view name);
