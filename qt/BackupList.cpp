#include "qt/BackupList.h"

#include "files/Backups.h"
#include "files/EepromFile.h"

#include <QLocale>
#include <algorithm>
#include <filesystem>

namespace {

// At most this many differences are named; the rest are counted.
constexpr std::size_t NamedDifferences = 4;

QString Words(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString WhatDiffers(const std::vector<Difference>& differences)
{
    if (differences.empty())
        return QStringLiteral("the same as the panel");
    QStringList named;
    for (std::size_t i = 0; i < differences.size() && i < NamedDifferences; ++i) {
        const Difference& d = differences[i];
        named << Words(d.setting->name) + QLatin1Char(' ') + Words(ValueInWords(*d.setting, d.before));
    }
    QString said = named.join(QStringLiteral(", "));
    if (differences.size() > NamedDifferences)
        said += QStringLiteral(" and %1 more").arg(differences.size() - NamedDifferences);
    return said + (differences.size() == 1 ? QStringLiteral(" differs") : QStringLiteral(" differ"));
}

} // namespace

QString WhenInWords(const QDateTime& when, const QDateTime& now)
{
    const QLocale english(QLocale::English);
    const QString time = english.toString(when.time(), QStringLiteral("HH:mm"));
    const qint64 days = when.date().daysTo(now.date());
    if (days == 0)
        return QStringLiteral("Today ") + time;
    if (days == 1)
        return QStringLiteral("Yesterday ") + time;
    const QString format =
        when.date().year() == now.date().year() ? QStringLiteral("d MMM") : QStringLiteral("d MMM yyyy");
    return english.toString(when.date(), format) + QLatin1Char(' ') + time;
}

std::vector<BackupRow> BackupRows(const std::string& folder, const EepromImage& panelImage,
                                  const FieldTexts& panelTexts, const QDateTime& now, std::vector<std::string>& leftOut)
{
    std::vector<std::string> names = ListBackups(folder, &leftOut);
    std::reverse(names.begin(), names.end());
    std::vector<BackupRow> rows;
    const QLocale english(QLocale::English);
    for (const std::string& name : names) {
        const auto info = ReadBackupName(name);
        EepromImage image;
        const std::string path = (std::filesystem::path(folder) / name).string();
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec && size < EepromImage::Size) {
            leftOut.push_back(name + " holds " + std::to_string(size) + " bytes, too few for a keyer's memory.");
            continue;
        }
        if (const std::string problem = LoadEepromFile(path, image); !info || !problem.empty()) {
            leftOut.push_back(name + ": " + problem);
            continue;
        }
        const QDateTime when = QDateTime::fromSecsSinceEpoch(info->when).toLocalTime();
        const std::vector<Difference> differences = Differences(image, ShownTexts(image), panelImage, panelTexts);
        BackupRow row;
        row.path = path;
        row.name = name;
        row.sentence = QStringLiteral("%1, %2, revision %3: %4.")
                           .arg(WhenInWords(when, now), Words(BackupKindInWords(info->kind)))
                           .arg(info->revision)
                           .arg(WhatDiffers(differences));
        row.label = Words(BackupKindInBrief(info->kind)) + QLatin1Char(' ') +
                    english.toString(when, QStringLiteral("d MMM HH:mm"));
        rows.push_back(std::move(row));
    }
    return rows;
}
