#include "ui/BackupList.h"

#include "files/Backups.h"
#include "files/EepromFile.h"
#include "files/NativePath.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>

namespace {

// At most this many differences are named; the rest are counted.
constexpr std::size_t NamedDifferences = 4;

constexpr std::array<const char*, 12> Months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string WhatDiffers(const std::vector<Difference>& differences)
{
    if (differences.empty())
        return "the same as the panel";
    std::string said;
    for (std::size_t i = 0; i < differences.size() && i < NamedDifferences; ++i) {
        const Difference& d = differences[i];
        said += (i ? ", " : "") + std::string(d.setting->name) + " " + ValueInWords(*d.setting, d.before);
    }
    if (differences.size() > NamedDifferences)
        said += " and " + std::to_string(differences.size() - NamedDifferences) + " more";
    return said + (differences.size() == 1 ? " differs" : " differ");
}

std::chrono::sys_days Day(const std::tm& t)
{
    return std::chrono::year_month_day(std::chrono::year(t.tm_year + 1900),
                                       std::chrono::month(static_cast<unsigned>(t.tm_mon + 1)),
                                       std::chrono::day(static_cast<unsigned>(t.tm_mday)));
}

std::string Clock(const std::tm& t)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", t.tm_hour % 100, t.tm_min % 100);
    return text;
}

std::string DayAndMonth(const std::tm& t)
{
    return std::to_string(t.tm_mday) + " " + Months[static_cast<std::size_t>(t.tm_mon) % Months.size()];
}

// Why a backup named in the folder is not listed, or an empty text.
std::string WhyLeftOut(const std::string& name, const ImageRead& read)
{
    switch (read.kind) {
    case ImageRead::Loaded:
        return {};
    case ImageRead::Short:
        return name + " holds " + std::to_string(read.bytes) + " bytes, too few for a keyer's memory.";
    case ImageRead::Unreadable:
        return name + " cannot be read: " + read.why + ".";
    case ImageRead::Missing:
        return name + " has gone.";
    case ImageRead::NotRegular:
        return name + " is no regular file.";
    case ImageRead::ReadFailed:
        break;
    }
    return name + " could not be read.";
}

} // namespace

std::string WhenInWords(const std::tm& when, const std::tm& now)
{
    const auto days = (Day(now) - Day(when)).count();
    if (days == 0)
        return "Today " + Clock(when);
    if (days == 1)
        return "Yesterday " + Clock(when);
    const std::string year = when.tm_year == now.tm_year ? "" : " " + std::to_string(when.tm_year + 1900);
    return DayAndMonth(when) + year + " " + Clock(when);
}

BackupList ListBackupRows(const std::string& folder, const EepromImage& panelImage, const FieldTexts& panelTexts,
                          std::time_t now)
{
    BackupList list;
    std::vector<std::string> names = ListBackups(folder, &list.leftOut);
    const std::size_t noFiles = list.leftOut.size();
    std::reverse(names.begin(), names.end());
    const std::tm today = LocalCalendarTime(now);
    for (const std::string& name : names) {
        const auto info = ReadBackupName(name); // the list holds backups' names only
        if (!info)
            continue;
        const std::string path = Utf8Path(NativePath(folder) / NativePath(name));
        EepromImage image;
        const ImageRead read = ReadEepromImage(path, image);
        if (const std::string why = WhyLeftOut(name, read); !why.empty()) {
            list.leftOut.push_back(why);
            continue;
        }
        const std::tm when = LocalCalendarTime(info->when);
        const std::vector<Difference> differences = Differences(image, ShownTexts(image), panelImage, panelTexts);
        list.rows.push_back({path, name,
                             WhenInWords(when, today) + ", " + std::string(BackupKindInWords(info->kind)) +
                                 ", revision " + std::to_string(info->revision) + ": " + WhatDiffers(differences) + ".",
                             std::string(BackupKindInBrief(info->kind)) + " " + DayAndMonth(when) + " " + Clock(when)});
    }
    // What is no file to open comes first, then what would not load, each
    // in the folder's order.
    std::sort(list.leftOut.begin() + static_cast<std::ptrdiff_t>(noFiles), list.leftOut.end());
    return list;
}

OpenedBackup OpenBackupFile(EepromImage& image, const FieldTexts& panelTexts, Prompts& prompts,
                            const FileNameDisplay& showName, const std::string& folder, std::time_t now)
{
    const BackupList list = ListBackupRows(folder, image, panelTexts, now);
    if (list.rows.empty()) {
        std::string left;
        for (const std::string& sentence : list.leftOut)
            left += (left.empty() ? "" : "\n") + sentence;
        const bool open = prompts.Offer(Owner::MainWindow,
                                        list.leftOut.empty() ? "No backups yet: Read MV keeps one of every read."
                                                             : "No backup can be opened.",
                                        left, "Open File...");
        return {open ? OpenEepromFile(image, prompts, Owner::MainWindow, showName) : 0, {}};
    }
    std::vector<std::string> sentences;
    sentences.reserve(list.rows.size());
    for (const BackupRow& row : list.rows)
        sentences.push_back(row.sentence);
    const auto chosen = prompts.ChooseBackup(sentences, list.leftOut);
    if (!chosen || *chosen >= list.rows.size())
        return {};
    const BackupRow& row = list.rows[*chosen];
    // It may have been changed into a link meanwhile.
    if (const std::string why = WhyNoBackupFile(folder, row.name); !why.empty()) {
        prompts.ErrorBox(Owner::MainWindow, why);
        return {};
    }
    if (LoadNamedEepromFile(image, prompts, Owner::MainWindow, showName, row.path) != 1)
        return {};
    showName("Backup: " + row.label, row.path);
    return {1, row.label};
}
