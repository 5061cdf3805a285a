#pragma once

// File > Open Backup, the same on every window: the backups newest first,
// each one sentence that says when, which way, which firmware, and what
// differs from what the panel shows now; what cannot be listed, and why;
// and the box in place of the list when there is nothing to choose.

#include "image/EepromImage.h"
#include "image/Settings.h"
#include "ui/FileCommands.h"
#include "ui/Prompts.h"

#include <ctime>
#include <string>
#include <vector>

struct BackupRow {
    std::string path;
    std::string name;     // in the backups folder
    std::string sentence; // "Today 19:22, read from the keyer, revision 30: Weight 50 differs."
    std::string label;    // "read 7 Dec 19:22", for the file-name text and the title
};

struct BackupList {
    std::vector<BackupRow> rows;      // newest first
    std::vector<std::string> leftOut; // a link, no regular file, too short, unreadable: one sentence each
};

// The backups in `folder`, told against what the panel shows (`panelImage`
// with its fields' `panelTexts`) at `now`.
BackupList ListBackupRows(const std::string& folder, const EepromImage& panelImage, const FieldTexts& panelTexts,
                          std::time_t now);

// "Today 19:22", "Yesterday 08:05", "7 Dec 19:22", "7 Dec 2025 19:22", of
// local calendar times.
std::string WhenInWords(const std::tm& when, const std::tm& now);

// What File > Open Backup did: 1 when an image was loaded, with the
// backup's label (empty when File > Open, offered in its place, loaded one).
struct OpenedBackup {
    int loaded = 0;
    std::string label;
};

// Lists the backups for the person to choose one, checks the chosen one
// again and loads it into `image`; with none to choose, offers File > Open
// instead. The file-name text shows "Backup: " and the label.
OpenedBackup OpenBackupFile(EepromImage& image, const FieldTexts& panelTexts, Prompts& prompts,
                            const FileNameDisplay& showName, const std::string& folder, std::time_t now);
