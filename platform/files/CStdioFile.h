#pragma once
#include <cstdio>
#include <string>

#include "CFile.h"

//! A file read through a buffered stream, line by line. Opened in text mode
//! unless typeBinary is given. In text mode a line may end in "\n", "\r\n" or
//! a lone "\r", and a UTF-8 byte-order mark at the start of the file is not
//! part of its text.
class CStdioFile : public CFile {
public:
    CStdioFile() = default;
    ~CStdioFile() override;

    bool Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr) override;
    unsigned Read(void* buffer, unsigned count) override;
    void Write(const void* buffer, unsigned count) override;
    std::uint64_t GetLength() const override;
    void Close() override;

    //! Reads the next line into `line`, without its line end. Returns false
    //! when the end of the file came before any character. Throws
    //! CFileException (hardIO) on a read error.
    bool ReadString(std::string& line);

private:
    void SkipByteOrderMark();
    void SkipLineFeedAfterReturn();

    std::FILE* m_pStream = nullptr;
    bool m_text = true;
};
