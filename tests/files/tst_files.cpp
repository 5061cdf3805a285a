#include "files/Backups.h"
#include "files/EepromFile.h"
#include "files/FileChecks.h"
#include "files/NativePath.h"
#include "files/PortSettings.h"
#include "files/RegularFile.h"

#include <ctime>
#include <doctest.h>
#include <filesystem>

namespace fs = std::filesystem;

TEST_CASE("a long file gives its first 256 bytes")
{
    const TestFolder dir;
    const auto path = dir.Path("long.eep");
    std::string bytes(300, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    WriteBytes(path, bytes);
    EepromImage image;
    CHECK(LoadEepromFile(path, image) == "");
    for (std::size_t i = 0; i < 256; ++i)
        CHECK(image.bytes[i] == static_cast<std::uint8_t>(i * 7));
}

TEST_CASE("saving replaces without leaving temporaries")
{
    const TestFolder dir;
    const auto path = dir.Path("keep.eep");
    WriteBytes(path, "old contents");
    CHECK(StoreEepromFile(path, CountingImage(5)) == "");
    REQUIRE(ReadBytes(path).size() == 256u);
    CHECK(ReadBytes(path)[0] == 5);
    CHECK(EntriesIn(dir.path) == 1);
}

TEST_CASE("saving refuses folders and devices")
{
    const TestFolder dir;
    for (const std::string& target : {dir.path, DevicePath()}) {
        CAPTURE(target);
        CHECK(StoreEepromFile(target, EepromImage{}) == "Can't open EEPROM file for write");
        CHECK(!fs::is_regular_file(NativePath(target)));
    }
}

TEST_CASE("a hard link stays one file")
{
    // Both names see what was saved (their count: PosixFiles.cpp).
    const TestFolder dir;
    const auto target = dir.Path("real.eep");
    const auto second = dir.Path("second.eep");
    WriteBytes(target, std::string(256, 'a'));
    fs::create_hard_link(NativePath(target), NativePath(second));
    CHECK(StoreEepromFile(target, CountingImage(5)) == "");
    CHECK(ReadBytes(second)[0] == 5);
}

TEST_CASE("accented and long paths")
{
    // A user's folder may have any letters in its name, and lie deep.
    const TestFolder dir;
    std::string deep = dir.path;
    while (deep.size() < 300)
        deep += "/folder-of-forty-characters-in-its-name-";
    const std::string accented = dir.Path("Jos\xC3\xA9 \xC3\xA9t\xC3\xA9");
    for (const std::string& folder : {accented, deep + "/\xC3\xA9"}) {
        CAPTURE(folder);
        // The port settings make their folder.
        std::int32_t port = 0;
        CHECK(ReadPortSettings(folder + "/mv2mgr.cfg", port) == "");
        CHECK(port == 1);
        CHECK(ReadBytes(folder + "/mv2mgr.cfg") == std::string("\x01\x00\x00\x00", 4));

        const std::string path = folder + "/caf\xC3\xA9.eep";
        CHECK(WhyNotWritable(path) == "");
        CHECK(StoreEepromFile(path, CountingImage(1)) == "");
        CHECK(StoreEepromFile(path, CountingImage(2)) == "");
        EepromImage loaded;
        CHECK(LoadEepromFile(path, loaded) == "");
        CHECK(loaded == CountingImage(2));
        CHECK(WhyNotWritable(path) == "");
    }
    // Backups live in the system's own short folder for them: listing a
    // folder deeper than 260 characters is beyond mingw's std::filesystem.
    const std::string backups = accented + "/sauvegard\xC3\xA9" + "es";
    CHECK(SaveBackup(backups, CountingImage(3), 30, BackupKind::Read, 1796640125) == "");
    const auto kept = ListBackups(backups);
    REQUIRE(kept.size() == 1u);
    CHECK(ReadBytes(backups + "/" + kept[0])[0] == 3);
}

TEST_CASE("backups sort and rotate")
{
    const TestFolder dir;
    const std::time_t morning = 1796640125; // 2026-12-07 10:42:05 UTC
    CHECK(BackupName(morning, 30, "read") == "2026-12-07T10-42-05Z_rev30_read.eep");

    const std::string folder = dir.Path("backups");
    fs::create_directories(NativePath(folder));
    WriteBytes(folder + "/notes.txt", "mine");
    WriteBytes(folder + "/2026-keyer.eep", "mine too");
    // 205 images, a minute apart, newest last; two in the last second.
    for (int i = 0; i < 205; ++i)
        REQUIRE(SaveBackup(folder, CountingImage(i), 23, i % 2 || i == 204 ? "write" : "read",
                           morning + 60 * std::min(i, 203)) == "");
    const std::vector<std::string> kept = ListBackups(folder);
    REQUIRE(kept.size() == std::size_t(BackupsKept));
    CHECK(kept.front() == BackupName(morning + 60 * 5, 23, "write"));
    std::string newest = BackupName(morning + 60 * 203, 23, "write");
    CHECK(kept.back() == newest.insert(newest.size() - 4, "_2"));
    // Oldest first by name is oldest first by time, and each holds its image.
    for (std::size_t i = 0; i < kept.size(); ++i)
        CHECK(static_cast<std::uint8_t>(ReadBytes(folder + "/" + kept[i])[0]) == static_cast<std::uint8_t>(i + 5));
    CHECK(ReadBytes(folder + "/notes.txt") == "mine");
    CHECK(ReadBytes(folder + "/2026-keyer.eep") == "mine too");

    // A folder that cannot be made: a problem told, nothing thrown.
    WriteBytes(dir.Path("blocker"), "x");
    CHECK(!SaveBackup(dir.Path("blocker") + "/backups", EepromImage{}, 23, "read", morning).empty());
}

TEST_CASE("backups in the same second count on")
{
    const TestFolder dir;
    const std::time_t second = 1796640125;
    const std::string base = "2026-12-07T10-42-05Z_rev30_write";
    for (int i = 0; i < 3; ++i)
        REQUIRE(SaveBackup(dir.path, CountingImage(i), 30, BackupKind::Write, second) == "");
    const std::vector<std::string> names = {base + ".eep", base + "_2.eep", base + "_3.eep"};
    REQUIRE(ListBackups(dir.path) == names);
    for (int i = 0; i < 3; ++i)
        CHECK(ReadBytes(dir.path + "/" + names[static_cast<std::size_t>(i)])[0] == i);
}

TEST_CASE("the backup just made survives a wrong clock")
{
    // 200 backups named while the clock ran four years ahead.
    const TestFolder dir;
    const std::string folder = dir.Path("backups");
    const std::time_t ahead = 1923000000; // 2030
    for (int i = 0; i < BackupsKept; ++i)
        REQUIRE(SaveBackup(folder, CountingImage(1), 30, BackupKind::Read, ahead + i) == "");
    const std::time_t now = 1796640125;
    CHECK(SaveBackup(folder, CountingImage(7), 30, BackupKind::Write, now) == "");
    const std::vector<std::string> kept = ListBackups(folder);
    REQUIRE(kept.size() == std::size_t(BackupsKept));
    CHECK(kept.front() == BackupName(now, 30, BackupKind::Write));
    CHECK(ReadBytes(folder + "/" + kept.front())[0] == char(7));
    CHECK(kept[1] == BackupName(ahead + 1, 30, BackupKind::Read)); // the oldest of the others gave way
}

TEST_CASE("backups are not kept through a link")
{
    // A link to another's folder, holding what look like backups, is not
    // followed, whoever owns what it leads to.
    const TestFolder dir;
    const auto linked = LinkToFolder(dir);
    REQUIRE(linked);
    const std::time_t now = 1796640125;
    fs::create_directories(NativePath(linked->target));
    for (int i = 0; i < BackupsKept; ++i)
        WriteBytes(linked->target + "/" + BackupName(now - 1000 + i, 30, BackupKind::Read), "theirs");
    const std::string refused = SaveBackup(linked->link, CountingImage(1), 30, BackupKind::Read, now);
    CHECK(refused == linked->link + " is a link or no folder; backups are kept only in a folder of your own.");
    CHECK(ListBackups(linked->target).size() == std::size_t(BackupsKept));
    CHECK(ReadBytes(linked->target + "/" + BackupName(now - 1000, 30, BackupKind::Read)) == "theirs");
}

TEST_CASE("the base name of a path")
{
    CHECK(BaseName("/home/op/keyer/test.eep") == "test.eep");
    CHECK(BaseName("C:\\keyer\\test.eep") == "test.eep");
    CHECK(BaseName("test.eep") == "test.eep");
}

TEST_CASE("reading the port settings")
{
    const struct {
        const char* name;
        std::string contents;
        int port;
    } rows[] = {
        {"port 3", std::string("\x03\x00\x00\x00", 4), 3},
        {"two bytes", std::string("\x05\x00", 2), 5},
        {"empty", "", 0},
        {"out of range kept", std::string("\x0d\x00\x00\x00", 4), 13},
        {"negative", "\xff\xff\xff\xff", -1},
        {"longer file", std::string("\x0c\x00\x00\x00\x99", 5), 12},
    };
    const TestFolder dir;
    for (const auto& row : rows) {
        CAPTURE(row.name);
        const auto path = dir.Path("mv2mgr.cfg");
        WriteBytes(path, row.contents);
        std::int32_t selected = 0;
        CHECK(ReadPortSettings(path, selected) == "");
        CHECK(selected == row.port);
    }
}

TEST_CASE("a missing port settings file gets port 1")
{
    const TestFolder dir;
    const auto path = dir.Path("config/sub/mv2mgr.cfg");
    std::int32_t selected = 9;
    CHECK(ReadPortSettings(path, selected) == "");
    CHECK(selected == 1);
    CHECK(ReadBytes(path) == std::string("\x01\x00\x00\x00", 4));
}

TEST_CASE("choosing a port rewrites the file")
{
    const TestFolder dir;
    const auto path = dir.Path("mv2mgr.cfg");
    WriteBytes(path, std::string("\x03\x00\x00\x00", 4));
    CHECK(WritePortSettings(path, 7) == "");
    CHECK(ReadBytes(path) == std::string("\x07\x00\x00\x00", 4));
}

TEST_CASE("an unwritable port settings folder is passed over in silence")
{
    // A path below a regular file can never be created, whoever we are.
    const TestFolder dir;
    const auto blocker = dir.Path("blocker");
    WriteBytes(blocker, "x");
    std::int32_t selected = 4;
    CHECK(ReadPortSettings(blocker + "/mv2mgr.cfg", selected) == "");
    CHECK(selected == 1);
    CHECK(WritePortSettings(blocker + "/mv2mgr.cfg", 7) == "");
}

TEST_CASE("port settings that are no file count as missing")
{
    for (const std::string& kind : OddKinds()) {
        CAPTURE(kind);
        const TestFolder dir;
        const auto path = MakeOddFile(kind, dir.Path("mv2mgr.cfg"));
        std::int32_t selected = 6;
        std::string result = "not read";
        CHECK(FinishesPromptly([&] { result = ReadPortSettings(path, selected); }, path));
        CHECK(result == "");
        CHECK(selected == 1);
        CHECK(!fs::is_regular_file(NativePath(path))); // nothing written into it either
    }
}

TEST_CASE("a file that is there but cannot be read says why; only a missing one is not found")
{
    const TestFolder dir;
    const std::string port3("\x03\x00\x00\x00", 4);
    const Unreadable eep = MakeUnreadable(dir.Path("held.eep"), std::string(256, 'x'));
    Unreadable cfg = MakeUnreadable(dir.Path("held.cfg"), port3);
    const struct {
        std::string path;
        std::string eepMessage, portWarning;
        int port;
    } rows[] = {
        {dir.Path("missing"), "File Not Found", "", 1},
        {dir.Path("held.eep"), "This file cannot be read: " + eep.why + ". Nothing was loaded.", "", 0},
        {dir.Path("held.cfg"), "",
         "The port settings file " + dir.Path("held.cfg") + " cannot be read: " + cfg.why + ". Com1 is used meanwhile.",
         1},
    };
    for (const auto& row : rows) {
        CAPTURE(row.path);
        EepromImage image = CountingImage(5);
        if (!row.eepMessage.empty()) {
            CHECK(LoadEepromFile(row.path, image) == row.eepMessage);
            CHECK(image == CountingImage(5));
        }
        if (row.port != 0) {
            std::int32_t port = 9;
            CHECK(ReadPortSettings(row.path, port) == row.portWarning);
            CHECK(port == row.port);
            std::string warning;
            CHECK(PortInSettings(row.path, &warning) == 1);
            CHECK(warning == row.portWarning);
        }
    }
    // Someone's choice that could not be read now is not written over.
    cfg.hold.reset();
    std::error_code loop;
    if (fs::is_regular_file(NativePath(dir.Path("held.cfg")), loop))
        CHECK(ReadBytes(dir.Path("held.cfg")) == port3);
}
