#include "FileStamp.h"

#include <sys/stat.h>

FileStamp FileStamp::Of(const std::string& path)
{
    FileStamp stamp;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return stamp;
    stamp.m_valid = true;
    stamp.m_device = info.st_dev;
    stamp.m_inode = info.st_ino;
    stamp.m_size = info.st_size;
    stamp.m_changedSeconds = info.st_mtim.tv_sec;
    stamp.m_changedNanoseconds = info.st_mtim.tv_nsec;
    return stamp;
}
