#include "CStdioFile.h"

#include <cerrno>
#include <cstring>

#include "FileSystem.h"

namespace {

// What editors on some systems put before the first line of a UTF-8 text.
constexpr unsigned char kUtf8ByteOrderMark[] = {0xEF, 0xBB, 0xBF};

const char* streamMode(unsigned openFlags)
{
    if (openFlags & CFile::modeReadWrite)
        return "r+";
    if (openFlags & CFile::modeWrite)
        return "w";
    return "r";
}

}  // namespace

CStdioFile::~CStdioFile() { CStdioFile::Close(); }

bool CStdioFile::Open(const char* fileName, unsigned openFlags, CFileException* error)
{
    Close();
    if (!OpenDescriptor(fileName, openFlags, error))
        return false;
    m_pStream = platform::StreamOnDescriptor(m_hFile, streamMode(openFlags));
    if (m_pStream == nullptr) {
        const int osError = errno;
        CFile::Close();
        if (error != nullptr)
            *error = CFileException(CFileException::genericException, osError, fileName);
        return false;
    }
    ReleaseDescriptor();
    m_text = (openFlags & typeBinary) == 0;
    if (m_text && (openFlags & modeWrite) == 0)
        SkipByteOrderMark();
    return true;
}

unsigned CStdioFile::Read(void* buffer, unsigned count)
{
    if (m_pStream == nullptr)
        ThrowError(CFileException::invalidFile, EBADF);
    const std::size_t got = std::fread(buffer, 1, count, m_pStream);
    if (got < count && std::ferror(m_pStream))
        ThrowError(CFileException::hardIO, errno);
    return static_cast<unsigned>(got);
}

void CStdioFile::Write(const void* buffer, unsigned count)
{
    if (m_pStream == nullptr)
        ThrowError(CFileException::invalidFile, EBADF);
    if (std::fwrite(buffer, 1, count, m_pStream) != count)
        ThrowError(errno == ENOSPC ? CFileException::diskFull : CFileException::hardIO, errno);
}

std::uint64_t CStdioFile::GetLength() const
{
    std::uint64_t length = 0;
    if (m_pStream == nullptr || !platform::DescriptorLength(platform::StreamDescriptor(m_pStream), length))
        ThrowError(CFileException::invalidFile, EBADF);
    return length;
}

void CStdioFile::Close()
{
    if (m_pStream != nullptr)
        std::fclose(m_pStream);
    m_pStream = nullptr;
    CFile::Close();
}

bool CStdioFile::ReadString(std::string& line)
{
    line.clear();
    if (m_pStream == nullptr)
        ThrowError(CFileException::invalidFile, EBADF);
    bool gotAny = false;
    for (int c; (c = std::fgetc(m_pStream)) != EOF;) {
        gotAny = true;
        if (c == '\n')
            return true;
        if (c == '\r' && m_text) {
            SkipLineFeedAfterReturn();
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    if (std::ferror(m_pStream))
        ThrowError(CFileException::hardIO, errno);
    return gotAny;
}

void CStdioFile::SkipByteOrderMark()
{
    unsigned char head[sizeof kUtf8ByteOrderMark] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, m_pStream);
    if (got == sizeof head && std::memcmp(head, kUtf8ByteOrderMark, sizeof head) == 0)
        return;
    std::rewind(m_pStream);  // no mark: the text starts at the first byte
}

void CStdioFile::SkipLineFeedAfterReturn()
{
    const int next = std::fgetc(m_pStream);
    if (next != '\n' && next != EOF)
        std::ungetc(next, m_pStream);
}
