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

ImageRead ReadEepromImage(const std::string& path, EepromImage& image)
{
    FileProblem problem = FileProblem::None;
    std::string why;
    File file = OpenRegularForReading(path, problem, &why);
    if (problem == FileProblem::NotRegular)
        return {ImageRead::NotRegular};
    if (problem == FileProblem::Missing)
        return {ImageRead::Missing};
    if (!file)
        return {ImageRead::Unreadable, why};

    // Read into a buffer of our own: a short file must not leave a mix of two
    // images behind, which could then be written to a keyer.
    EepromImage loaded;
    const std::size_t got = std::fread(loaded.bytes.data(), 1, loaded.bytes.size(), file.get());
    if (std::ferror(file.get()))
        return {ImageRead::ReadFailed};
    if (got < loaded.bytes.size())
        return {ImageRead::Short, {}, got};
    image = loaded;
    return {};
}

std::string LoadEepromFile(const std::string& path, EepromImage& image)
{
    const ImageRead read = ReadEepromImage(path, image);
    switch (read.kind) {
    case ImageRead::Loaded:
        return {};
    case ImageRead::Missing:
        return FileNotFound;
    case ImageRead::NotRegular:
        return NotRegularMessage(path);
    case ImageRead::Unreadable:
        return "This file cannot be read: " + read.why + ". Nothing was loaded.";
    case ImageRead::ReadFailed:
        return ReadFailed;
    case ImageRead::Short:
        return ShortFileMessage(read.bytes);
    }
    return ReadFailed;
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
