#pragma once
#include <string>

//! What tells one state of a file from another: the file the path leads to,
//! its size and its last change. A data file replaced or rewritten during a
//! run no longer matches the stamp taken at its start.
class FileStamp {
public:
    //! The stamp of `path` now; an unreadable path gives a stamp that matches nothing.
    static FileStamp Of(const std::string& path);

    //! True when `path` still has this stamp.
    bool StillMatches(const std::string& path) const;

    bool operator==(const FileStamp& other) const = default;

private:
    bool m_valid = false;
    unsigned long long m_device = 0;
    unsigned long long m_inode = 0;
    long long m_size = 0;
    long long m_changedSeconds = 0;
    long m_changedNanoseconds = 0;
};
