#include "ScratchDirectory.h"

#include <atomic>
#include <fstream>

#include "ModulePath.h"

ScratchDirectory::ScratchDirectory()
{
    static std::atomic<int> serial{0};
    m_path = std::filesystem::temp_directory_path() /
             ("vantrel-test-" + std::to_string(platform::ProcessId()) + "-" + std::to_string(serial++));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ScratchDirectory::writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const
{
    const auto file = m_path / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file.string();
}

std::string ScratchDirectory::writeText(const std::string& name, const std::string& text) const
{
    return writeFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}
