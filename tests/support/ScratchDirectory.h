#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

//! A directory of its own under the system's temporary directory, named
//! after the process and a serial number, removed with the object.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    //! The full path of `name` inside the directory.
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    //! Writes `bytes` to `name` inside the directory and returns its full path.
    std::string writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    //! Writes `text` to `name` inside the directory and returns its full path.
    std::string writeText(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path m_path;
};
