#include "TestFiles.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

struct TempFolder {
    fs::path Path;
    TempFolder()
    {
        std::random_device random;
        Path = fs::temp_directory_path() / ("tansy-test-" + std::to_string(random()));
        fs::create_directories(Path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(Path, ignored);
    }
};

TempFolder& Folder()
{
    static TempFolder folder;
    return folder;
}

}  // namespace

std::string TempDir()
{
    return Folder().Path.string();
}

std::string WriteTempFile(const std::string& bytes)
{
    static std::atomic<int> counter{0};
    const fs::path path = Folder().Path / ("file" + std::to_string(++counter) + ".txt");
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
    return path.string();
}
