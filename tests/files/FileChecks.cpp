#include "files/FileChecks.h"

#include "files/NativePath.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

EepromImage CountingImage(int start)
{
    EepromImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(start + static_cast<int>(i));
    return image;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(NativePath(path), std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(NativePath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::ptrdiff_t EntriesIn(const std::string& folder)
{
    return std::distance(fs::directory_iterator(NativePath(folder)), fs::directory_iterator{});
}

namespace {

std::string FreshFolder()
{
    std::random_device seed;
    const fs::path path = fs::temp_directory_path() / ("mv2mgr-test-" + std::to_string(seed() % 100000000));
    fs::create_directories(path);
    return Utf8Path(path);
}

} // namespace

TestFolder::TestFolder() : path(FreshFolder()) {}

TestFolder::~TestFolder()
{
    std::error_code ec;
    fs::remove_all(NativePath(path), ec);
}
