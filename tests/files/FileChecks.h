#pragma once

// Helpers of the file checks: the same ones everywhere (tst_files.cpp), and
// what each system makes its own way (PosixFiles.cpp, Win32Files.cpp).

#include "image/EepromImage.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

EepromImage CountingImage(int start);
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
std::ptrdiff_t EntriesIn(const std::string& folder);

// A fresh folder of the test's own (UTF-8), removed with everything in it.
class TestFolder {
  public:
    TestFolder();
    ~TestFolder();
    std::string Path(const std::string& name) const { return path + "/" + name; }
    const std::string path;
};

// Things that are no regular file, made at `path` or named by a path of
// their own: "folder" everywhere, and what else the system has.
std::vector<std::string> OddKinds();
std::string MakeOddFile(const std::string& kind, const std::string& path);
// Runs `job` with a time limit; a job stuck opening a FIFO at `path` is set
// free, and the check then fails.
bool FinishesPromptly(const std::function<void()>& job, const std::string& path);
// A device that must never be replaced.
std::string DevicePath();

// A link at `link` to the folder `target`, or nothing where none can be made.
struct FolderLink {
    std::string link;
    std::string target;
};
std::optional<FolderLink> LinkToFolder(const TestFolder& folder);

// Makes `path`, holding `bytes`, a file that is there but cannot be read
// while `hold` lives: another program holds it (Windows), or it leads
// round in a loop of links (POSIX, where root reads every file). `why` is
// the reason the program gives.
struct Unreadable {
    std::string why;
    std::shared_ptr<void> hold;
};
Unreadable MakeUnreadable(const std::string& path, const std::string& bytes);
