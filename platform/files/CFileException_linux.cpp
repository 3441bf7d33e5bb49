#include "CFileException.h"

#include <cerrno>

int CFileException::OsErrorToCause(int osError, bool parentMissing)
{
    switch (osError) {
    case ENOENT:
        return parentMissing ? badPath : fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
        return badPath;
    case EACCES:
    case EPERM:
    case EISDIR:
        return accessDenied;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
        return diskFull;
    default:
        return genericException;
    }
}
