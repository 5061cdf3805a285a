#pragma once

// Paths are UTF-8 text throughout this program; std::filesystem holds them
// in the system's own form (UTF-16 on Windows, the bytes as they are
// elsewhere). These two convert, without throwing, whatever the text.

#include <filesystem>
#include <string>

std::filesystem::path NativePath(const std::string& utf8);
std::string Utf8Path(const std::filesystem::path& path);
