#pragma once

// The backups as File > Open Backup lists them: newest first, each one
// sentence that says when, which way, which firmware, and what differs
// from what the panel shows now.

#include "image/EepromImage.h"
#include "image/Settings.h"

#include <QDateTime>
#include <QString>
#include <string>
#include <vector>

struct BackupRow {
    std::string path;
    std::string name; // in the backups folder
    QString sentence; // "Today 19:22, read from the keyer, revision 30: Weight 50 differs."
    QString label;    // "read 7 Dec 19:22", for the status line and the title
};

// What cannot be listed (a link, no regular file, too short) is said in
// `leftOut`, one sentence each.
std::vector<BackupRow> BackupRows(const std::string& folder, const EepromImage& panelImage,
                                  const FieldTexts& panelTexts, const QDateTime& now,
                                  std::vector<std::string>& leftOut);

// "Today 19:22", "Yesterday 08:05", "7 Dec 19:22", "7 Dec 2025 19:22".
QString WhenInWords(const QDateTime& when, const QDateTime& now);
