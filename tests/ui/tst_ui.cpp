// What every window shows the same way, on every system: File > Open
// Backup's rows, what it leaves out, and the box in place of the list.

#include "files/Backups.h"
#include "files/EepromFile.h"
#include "files/FileChecks.h"
#include "files/NativePath.h"
#include "support/RecordingPrompts.h"
#include "ui/BackupList.h"

#include <doctest.h>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const char* Stamp = "2026-12-07T10-42-05Z_rev30_";

EepromImage Keyer(int weight, int sidetone)
{
    EepromImage image;
    image[4] = static_cast<std::uint8_t>(weight);
    image[3] = static_cast<std::uint8_t>(sidetone);
    return image;
}

// The panel shows an all-zero image with Weight 50.
struct Backups {
    TestFolder dir;
    std::string folder = dir.Path("backups");
    EepromImage panel = Keyer(50, 0);
    std::time_t now = std::time(nullptr);
    RecordingPrompts prompts;
    std::vector<std::string> shown;

    void Keep(std::time_t ago, const char* kind, const EepromImage& image)
    {
        REQUIRE(SaveBackup(folder, image, 30, kind, now - ago) == "");
    }
    OpenedBackup Open()
    {
        return OpenBackupFile(
            panel, ShownTexts(panel), prompts,
            [this](const std::string& text, const std::string&) { shown.push_back(text); }, folder, now);
    }
};

} // namespace

TEST_CASE("the backups list: newest first, each told against the panel, and what is left out")
{
    Backups b;
    b.Keep(3 * 86400, BackupKind::Write, Keyer(50, 0));
    b.Keep(60, BackupKind::Read, Keyer(60, 7));
    b.Keep(7200, BackupKind::Verify, Keyer(10, 1));
    fs::create_directory(NativePath(b.folder + "/" + Stamp + "read_7.eep"));
    WriteBytes(b.folder + "/" + Stamp + "write_8.eep", std::string(100, '\0'));
    WriteBytes(b.folder + "/notes.eep", std::string(256, '\0')); // no backup's name: not even mentioned
    const std::string held = std::string(Stamp) + "verify_9.eep";
    const Unreadable unreadable = MakeUnreadable(b.folder + "/" + held, std::string(256, '\0'));

    const BackupList list = ListBackupRows(b.folder, b.panel, ShownTexts(b.panel), b.now);
    const char* const tails[] = {
        ", read from the keyer, revision 30: Weight 60, Sidetone Hz 571 differ.",
        ", read back after writing, revision 30: Weight 10, Sidetone Hz 4000 differ.",
        ", written to the keyer, revision 30: the same as the panel.",
    };
    REQUIRE(list.rows.size() == std::size(tails));
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        CAPTURE(list.rows[i].sentence);
        CHECK(list.rows[i].sentence.ends_with(tails[i]));
    }
    CHECK(list.rows[0].label.starts_with("read "));
    CHECK(list.rows[2].label.starts_with("written "));
    CHECK(list.leftOut == std::vector<std::string>{
                              std::string(Stamp) + "read_7.eep is no regular file.",
                              unreadable.hold ? held + " cannot be read: " + unreadable.why + "."
                                              : held + " is a link; only files inside the backups folder are opened.",
                              std::string(Stamp) + "write_8.eep holds 100 bytes, too few for a keyer's memory.",
                          });
}

TEST_CASE("the time of a backup in words")
{
    const auto at = [](int year, int month, int day, int hour, int minute) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        return t;
    };
    const struct {
        std::tm when, now;
        const char* said;
    } rows[] = {
        {at(2026, 12, 7, 19, 22), at(2026, 12, 7, 23, 59), "Today 19:22"},
        {at(2026, 12, 31, 8, 5), at(2027, 1, 1, 0, 1), "Yesterday 08:05"},
        {at(2026, 2, 28, 0, 0), at(2026, 3, 1, 12, 0), "Yesterday 00:00"},
        {at(2026, 12, 5, 9, 7), at(2026, 12, 7, 9, 0), "5 Dec 09:07"},
        {at(2025, 1, 17, 23, 59), at(2026, 12, 7, 9, 0), "17 Jan 2025 23:59"},
    };
    for (const auto& row : rows)
        CHECK(WhenInWords(row.when, row.now) == row.said);
}

TEST_CASE("File > Open Backup: the box when there is none to open, the chosen one checked again")
{
    enum Folder { Empty, OnlyLeftOut, Two };
    const struct {
        Folder folder;
        std::optional<std::size_t> answer; // the row chosen
        bool swapped;                      // the chosen file became a folder meanwhile
        const char* offer;                 // the box instead of the list
        int loaded;
        const char* told; // the file-name text, or the box
    } rows[] = {
        {Empty, {}, false, "No backups yet: Read MV keeps one of every read. |  | Open File...", 0, ""},
        {OnlyLeftOut, {}, false, "No backup can be opened. | NAME is no regular file. | Open File...", 0, ""},
        {Two, 1, false, "", 1, "Backup: written "},
        {Two, 0, true, "", 0, "NAME is no regular file."},
        {Two, {}, false, "", 0, ""},
    };
    for (const auto& row : rows) {
        CAPTURE(row.told);
        Backups b;
        const std::string name = std::string(Stamp) + "read.eep";
        if (row.folder == OnlyLeftOut)
            fs::create_directories(NativePath(b.folder + "/" + name));
        if (row.folder == Two) {
            b.Keep(60, BackupKind::Read, Keyer(60, 7));
            b.Keep(120, BackupKind::Write, Keyer(70, 1));
        }
        b.prompts.backupAnswer = row.answer;
        b.prompts.offerAnswer = true;
        std::string swapped;
        b.prompts.whileBoxOpen = [&] {
            if (!row.swapped || !swapped.empty())
                return;
            swapped = ListBackups(b.folder).back(); // the newest, row 0
            const fs::path chosen = NativePath(b.folder) / NativePath(swapped);
            fs::remove(chosen);
            fs::create_directory(chosen);
        };
        const EepromImage before = b.panel;
        const OpenedBackup opened = b.Open();
        std::string offer = row.offer;
        if (const auto at = offer.find("NAME"); at != std::string::npos)
            offer.replace(at, 4, name);
        CHECK((b.prompts.offers.empty() ? "" : b.prompts.offers[0]) == offer);
        // Taken, the offer is File > Open's own chooser.
        CHECK(b.prompts.chooserFolders == (offer.empty() ? std::vector<std::string>{} : std::vector<std::string>{""}));
        CHECK(opened.loaded == row.loaded);
        CHECK((b.panel == Keyer(70, 1)) == (row.loaded == 1));
        CHECK((b.panel == before) == (row.loaded == 0));
        std::string told = row.swapped ? b.prompts.LastText() : b.shown.empty() ? "" : b.shown.back();
        std::string expected = row.told;
        if (const auto at = expected.find("NAME"); at != std::string::npos)
            expected.replace(at, 4, swapped);
        CAPTURE(told);
        CHECK(told.starts_with(expected));
        CHECK(opened.label == (row.loaded ? told.substr(8) : ""));
    }
}
