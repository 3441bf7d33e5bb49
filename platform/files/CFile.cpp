#include "CFile.h"

#include <cerrno>

#include "FileSystem.h"

namespace {

void fillError(CFileException* error, int cause, long osError, const char* fileName)
{
    if (error == nullptr)
        return;
    error->m_cause = cause;
    error->m_lOsError = osError;
    error->m_strFileName = fileName != nullptr ? fileName : "";
}

}  // namespace

CFile::~CFile() { CFile::Close(); }

bool CFile::Open(const char* fileName, unsigned openFlags, CFileException* error)
{
    return OpenDescriptor(fileName, openFlags, error);
}

bool CFile::OpenDescriptor(const char* fileName, unsigned openFlags, CFileException* error)
{
    Close();
    if (fileName == nullptr) {
        fillError(error, CFileException::badPath, EINVAL, fileName);
        return false;
    }
    const platform::OpenedFile opened = platform::OpenRegularFile(fileName, openFlags);
    if (opened.descriptor < 0) {
        fillError(error, opened.cause, opened.osError, fileName);
        return false;
    }
    m_hFile = opened.descriptor;
    m_strFileName = fileName;
    return true;
}

unsigned CFile::Read(void* buffer, unsigned count)
{
    if (m_hFile < 0)
        ThrowError(CFileException::invalidFile, EBADF);
    auto* out = static_cast<char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        const long got = platform::ReadDescriptor(m_hFile, out + done, count - done);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowError(CFileException::hardIO, errno);
        }
        done += static_cast<unsigned>(got);
    }
    return done;
}

void CFile::Write(const void* buffer, unsigned count)
{
    if (m_hFile < 0)
        ThrowError(CFileException::invalidFile, EBADF);
    const auto* in = static_cast<const char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        const long put = platform::WriteDescriptor(m_hFile, in + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            ThrowError(errno == ENOSPC ? CFileException::diskFull : CFileException::hardIO, errno);
        }
        done += static_cast<unsigned>(put);
    }
}

std::uint64_t CFile::GetLength() const
{
    std::uint64_t length = 0;
    if (m_hFile < 0 || !platform::DescriptorLength(m_hFile, length))
        ThrowError(CFileException::invalidFile, EBADF);
    return length;
}

void CFile::Close()
{
    if (m_hFile >= 0)
        platform::CloseDescriptor(m_hFile);
    m_hFile = -1;
}

void CFile::ThrowError(int cause, int osError) const
{
    throw CFileException(cause, osError, m_strFileName);
}
