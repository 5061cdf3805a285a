#include "files/RegularFile.h"

#include "files/NativePath.h"
#include "files/platform/FileSystem.h"

#include <filesystem>

std::string WhyNotWritable(const std::string& path)
{
    using platform::PathKind;
    const PathKind kind = platform::KindOf(path);
    if (kind == PathKind::Folder)
        return path + " is a folder.";
    if (kind == PathKind::Other)
        return platform::MayWrite(path) ? std::string() : "you may not write " + path + ".";
    std::filesystem::path parent = NativePath(path).parent_path();
    const std::string folder = parent.empty() ? "." : Utf8Path(parent);
    if (platform::KindOf(folder) != PathKind::Folder)
        return "there is no folder " + folder + ".";
    if (!platform::MayMakeFilesIn(folder))
        return "you may not make files in " + folder + ".";
    return {};
}
