#include "files/PortSettings.h"

#include "files/NativePath.h"
#include "files/RegularFile.h"
#include "files/platform/FileSystem.h"

#include <array>
#include <cstdio>

namespace {
using PortBytes = std::array<unsigned char, 4>;

PortBytes ToLittleEndian(std::int32_t port)
{
    const auto value = static_cast<std::uint32_t>(port);
    PortBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    return bytes;
}

std::int32_t FromLittleEndian(const PortBytes& bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

std::string UnreadableWarning(const std::string& path, const std::string& why)
{
    return "The port settings file " + path + " cannot be read: " + why + ". Com1 is used meanwhile.";
}

bool Unreadable(FileProblem problem)
{
    return problem == FileProblem::Refused || problem == FileProblem::InUse;
}
} // namespace

std::string ReadPortSettings(const std::string& path, std::int32_t& selectedPort)
{
    // What is no regular file counts as no file: a FIFO or a folder in its
    // place must neither block nor warn at every start. A file that cannot
    // be read now is still someone's choice, not to be written over.
    FileProblem problem = FileProblem::None;
    std::string why;
    File file = OpenRegularForReading(path, problem, &why);
    if (!file) {
        selectedPort = 1;
        return Unreadable(problem) ? UnreadableWarning(path, why) : WritePortSettings(path, selectedPort);
    }

    // A short file replaces only the low-order bytes it holds.
    PortBytes bytes = ToLittleEndian(selectedPort);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (got < bytes.size() && std::ferror(file.get()))
        return "Read file failed.";
    selectedPort = FromLittleEndian(bytes);
    return {};
}

std::int32_t PortInSettings(const std::string& path, std::string* warning)
{
    FileProblem problem = FileProblem::None;
    std::string why;
    File file = OpenRegularForReading(path, problem, &why);
    if (!file) {
        if (warning && Unreadable(problem))
            *warning = UnreadableWarning(path, why);
        return 1;
    }
    PortBytes bytes{};
    // A short file holds the low-order bytes; the rest stay zero.
    [[maybe_unused]] const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    return FromLittleEndian(bytes);
}

std::string WritePortSettings(const std::string& path, std::int32_t selectedPort)
{
    const auto folder = NativePath(path).parent_path();
    if (!folder.empty())
        platform::MakeFolders(Utf8Path(folder));

    FileProblem problem = FileProblem::None;
    File file = CreateRegularForWriting(path, problem);
    if (!file)
        return {};
    const PortBytes bytes = ToLittleEndian(selectedPort);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed)
        return "CFG File SAve Failed.";
    return {};
}
