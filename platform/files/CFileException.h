#pragma once
#include <string>

//! Why a file operation failed: a cause code, which picks the message shown,
//! plus the operating system's error number. Filled in by CFile::Open and thrown by
//! value from CFile::Read, CFile::Write and CStdioFile::ReadString.
class CFileException {
public:
    //! Cause codes; the numbers are part of the message table of ShowFileError.
    enum Cause : int {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    //! A record with `cause` and the system error `osError` (-1: none) for `fileName`.
    explicit CFileException(int cause = none, long osError = -1, std::string fileName = {});

    //! The cause for the system's error number of a failed open: errno on
    //! Linux, where `parentMissing` tells an ENOENT about a missing directory
    //! from one about a missing file; the error code on Windows.
    static int OsErrorToCause(int osError, bool parentMissing);

    int m_cause = none;
    long m_lOsError = -1;
    std::string m_strFileName;
};
