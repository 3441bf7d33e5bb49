#include "FileStamp.h"

#include <windows.h>

#include "LongPath.h"

namespace {

constexpr unsigned long long kTicksPerSecond = 10'000'000;  // a FILETIME counts 100 ns ticks

unsigned long long Combined(DWORD high, DWORD low) { return (static_cast<unsigned long long>(high) << 32) | low; }

}  // namespace

FileStamp FileStamp::Of(const std::string& path)
{
    FileStamp stamp;
    // Attributes only, shared every way: taking the stamp must not get in the
    // way of whoever has the file open. Backup semantics let a folder answer too.
    HANDLE file = ::CreateFileW(platform::SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return stamp;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    if (!known)
        return stamp;
    // The volume and the file's index there name the file as device and inode do.
    const unsigned long long changed = Combined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    stamp.m_valid = true;
    stamp.m_device = info.dwVolumeSerialNumber;
    stamp.m_inode = Combined(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.m_size = static_cast<long long>(Combined(info.nFileSizeHigh, info.nFileSizeLow));
    stamp.m_changedSeconds = static_cast<long long>(changed / kTicksPerSecond);
    stamp.m_changedNanoseconds = static_cast<long>((changed % kTicksPerSecond) * 100);
    return stamp;
}
