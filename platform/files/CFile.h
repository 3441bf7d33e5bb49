#pragma once
#include <cstdint>
#include <string>

#include "CFileException.h"

//! A file opened by name, read and written as raw bytes through the system's
//! file layer (FileSystem). The file is closed by Close or by the destructor.
class CFile {
public:
    //! Open flags; combine one access mode with the optional flags.
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };

    CFile() = default;
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    //! Opens `fileName` with `openFlags` (an open file is closed first). On
    //! failure returns false and, when `error` is given, fills it in. A
    //! directory is refused as accessDenied, any other non-regular file (a pipe,
    //! a device) as invalidFile. Sharing flags count on Windows, where the
    //! default (shareCompat) shares with nobody; Linux has no such locks.
    virtual bool Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr);
    //! Reads up to `count` bytes; fewer only at the end of the file. Throws
    //! CFileException (hardIO) on a read error or when no file is open.
    virtual unsigned Read(void* buffer, unsigned count);
    //! Writes all `count` bytes; throws CFileException on failure.
    virtual void Write(const void* buffer, unsigned count);
    //! Size of the open file in bytes; throws CFileException when none is open.
    virtual std::uint64_t GetLength() const;
    //! Closes the file; does nothing when none is open.
    virtual void Close();

    //! True while a file is open.
    bool IsOpen() const { return m_hFile >= 0; }
    //! The name given to the last successful Open.
    const std::string& GetFilePath() const { return m_strFileName; }

protected:
    //! Opens the descriptor and checks it is a regular file; no stream set-up.
    bool OpenDescriptor(const char* fileName, unsigned openFlags, CFileException* error);
    //! Throws the record for `cause` and `osError` with the file's name.
    [[noreturn]] void ThrowError(int cause, int osError) const;
    //! Forgets the descriptor without closing it (it now belongs to a stream).
    void ReleaseDescriptor() { m_hFile = -1; }

    int m_hFile = -1;
    std::string m_strFileName;
};
