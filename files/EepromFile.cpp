#include "files/EepromFile.h"

#include "files/RegularFile.h"

#include <cstdio>

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

std::string NotRegularMessage(const std::string& path)
{
    return "\"" + path + "\" is not a regular file. Nothing was loaded.";
}

} // namespace

std::string BaseName(std::string_view path)
{
    const auto cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string LoadEepromFile(const std::string& path, EepromImage& image)
{
    FileProblem problem = FileProblem::None;
    File file = OpenRegularForReading(path, problem);
    if (problem == FileProblem::NotRegular)
        return NotRegularMessage(path);
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
    switch (ReplaceRegularFile(path, image.bytes.data(), image.bytes.size())) {
    case FileProblem::None:
        return {};
    case FileProblem::WriteFailed:
        return WriteFailed;
    default:
        return CannotCreate;
    }
}
