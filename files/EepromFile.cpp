#include "files/EepromFile.h"

#include "files/CFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#if __has_include(<unistd.h>)
#include <unistd.h>
#define MV2MGR_HAVE_FSYNC 1
#endif

namespace fs = std::filesystem;

namespace {

const char* const FileNotFound = "File Not Found";
const char* const ReadFailed = "Read EEPROM file failed.";
const char* const CannotCreate = "Can't open EEPROM file for write";
const char* const WriteFailed = "Export Log File Failed.";

std::string ShortFileMessage(std::size_t size)
{
    return "This file holds " + std::to_string(size) + (size == 1 ? " byte" : " bytes") +
           "; an EEPROM file holds 256. Nothing was loaded.";
}

// A name beside `target` that no file has yet, opened for writing.
File CreateTemporaryBeside(const fs::path& target, fs::path& temporary)
{
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary = target;
        temporary += ".tmp" + std::to_string(random() % 1000000);
        // "x": fail rather than reuse a file that is already there.
        if (std::FILE* f = std::fopen(temporary.c_str(), "wbx"))
            return File(f);
        if (errno != EEXIST)
            break;
    }
    return nullptr;
}

bool FlushToDisk(std::FILE* f)
{
    if (std::fflush(f) != 0)
        return false;
#ifdef MV2MGR_HAVE_FSYNC
    // The rename that follows must not land before the bytes do.
    if (::fsync(fileno(f)) != 0)
        return false;
#endif
    return true;
}

} // namespace

std::string BaseName(std::string_view path)
{
    const auto cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string LoadEepromFile(const std::string& path, EepromImage& image)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return FileNotFound;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return FileNotFound;

    // Read into a buffer of our own: a short file must not leave a mix of two
    // images behind, which could then be written to a keyer.
    EepromImage loaded;
    const std::size_t got = std::fread(loaded.bytes.data(), 1, loaded.bytes.size(), file.get());
    if (std::ferror(file.get()))
        return ReadFailed;
    if (got < loaded.bytes.size())
        return ShortFileMessage(got);
    image = loaded;
    return {};
}

std::string StoreEepromFile(const std::string& path, const EepromImage& image)
{
    std::error_code ec;
    fs::path target(path);
    // Replace the file a link points to, not the link.
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    // Only a regular file is ever replaced: renaming over a device or a
    // folder would destroy something that is not an EEPROM file.
    if (fs::exists(target, ec) && !fs::is_regular_file(target, ec))
        return CannotCreate;

    // Write a new file beside the old one and rename it over: a failed write
    // must never destroy the file that was there.
    fs::path temporary;
    File file = CreateTemporaryBeside(target, temporary);
    if (!file)
        return CannotCreate;

    const bool written = std::fwrite(image.bytes.data(), 1, image.bytes.size(), file.get()) == image.bytes.size() &&
                         FlushToDisk(file.get());
    const bool closed = std::fclose(file.release()) == 0;
    if (written && closed) {
        if (fs::exists(target, ec))
            fs::permissions(temporary, fs::status(target, ec).permissions(), ec);
        fs::rename(temporary, target, ec);
        if (!ec)
            return {};
    }
    fs::remove(temporary, ec);
    return WriteFailed;
}

int OpenEepromFile(EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName)
{
    const auto path = prompts.ChooseOpenFile(owner);
    if (!path)
        return 0;
    showName("File Name: " + BaseName(*path));
    const std::string problem = LoadEepromFile(*path, image);
    if (!problem.empty()) {
        prompts.ErrorBox(owner, problem);
        return 0;
    }
    return 1;
}

int SaveEepromFile(const EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName)
{
    const auto path = prompts.ChooseSaveFile(owner);
    if (!path)
        return 0;
    showName(BaseName(*path));
    const std::string problem = StoreEepromFile(*path, image);
    if (!problem.empty()) {
        prompts.ErrorBox(owner, problem);
        return 0;
    }
    return 1;
}
