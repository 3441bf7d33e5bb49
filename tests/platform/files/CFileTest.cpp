#include "CFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "CFileException.h"
#include "CStdioFile.h"
#include "FileSystem.h"
#include "ScratchDirectory.h"
#include "SystemFiles.h"

class CFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content) { return scratch.writeText(name, content); }
    std::vector<std::string> Lines(const std::string& content, unsigned flags = CFile::modeRead | CFile::typeText)
    {
        CStdioFile file;
        EXPECT_TRUE(file.Open(Write("lines.cfg", content).c_str(), flags));
        std::vector<std::string> lines;
        for (std::string line; file.ReadString(line);)
            lines.push_back(line);
        return lines;
    }

    ScratchDirectory scratch;
};

TEST_F(CFileTest, ReadsRawBytesAndKnowsTheLength)
{
    const std::string content("\x11\x22\r\n\x00\x44", 6);
    CFile file;
    ASSERT_TRUE(file.Open(Write("a.bin", content).c_str(), CFile::modeRead | CFile::typeBinary));
    EXPECT_EQ(file.GetLength(), 6u);
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(file.Read(buffer + 4, 4), 2u) << "a short read only at the end";
    EXPECT_EQ(std::string(buffer, 6), content);
    EXPECT_EQ(file.Read(buffer, 4), 0u);
}

TEST_F(CFileTest, FailedOpenFillsTheRecord)
{
    const std::string path = scratch.file("none.bin");
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(path.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, ENOENT);
    EXPECT_EQ(error.m_strFileName, path);
    EXPECT_FALSE(file.Open(path.c_str(), CFile::modeRead)) << "a failure without a record";
}

TEST_F(CFileTest, UseWithoutAnOpenFileThrows)
{
    CFile file;
    char byte;
    EXPECT_THROW(file.Read(&byte, 1), CFileException);
    EXPECT_THROW(file.GetLength(), CFileException);
    file.Close();
    CStdioFile text;
    std::string line;
    EXPECT_THROW(text.ReadString(line), CFileException);
}

TEST_F(CFileTest, ReadErrorThrowsHardIo)
{
    CFile file;
    // A descriptor that cannot be read: opened for writing only.
    ASSERT_TRUE(file.Open(Write("w.bin", "abc").c_str(), CFile::modeWrite));
    char buffer[4];
    try {
        file.Read(buffer, 3);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::hardIO);
        EXPECT_EQ(e.m_lOsError, EBADF);
    }
}

TEST_F(CFileTest, DeviceIsNotAFile)
{
    // A device has no length: read as an image it would be an empty one.
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(testsupport::NullDevicePath().c_str(), CFile::modeRead | CFile::typeBinary, &error));
    EXPECT_EQ(error.m_cause, CFileException::invalidFile);
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(CFileTest, ReopeningClosesTheFirstFile)
{
    CFile file;
    ASSERT_TRUE(file.Open(Write("one", "1").c_str(), CFile::modeRead));
    ASSERT_TRUE(file.Open(Write("two", "22").c_str(), CFile::modeRead));
    EXPECT_EQ(file.GetLength(), 2u);
    EXPECT_EQ(file.GetFilePath(), scratch.file("two"));
}

TEST_F(CFileTest, TextLinesLoseTheirLineEnds)
{
    EXPECT_EQ(Lines("0\n1000\r\n2400"), (std::vector<std::string>{"0", "1000", "2400"}));
    EXPECT_EQ(Lines("\xEF\xBB\xBF" "0\r1000\r"), (std::vector<std::string>{"0", "1000"}));
}

TEST_F(CFileTest, BlankLinesAreLinesAndTheLastNewlineEndsTheFile)
{
    EXPECT_EQ(Lines("0\n\n\r\n1000\n"), (std::vector<std::string>{"0", "", "", "1000"}));
    EXPECT_TRUE(Lines("").empty());
    EXPECT_EQ(Lines("\n"), (std::vector<std::string>{""}));
}

TEST_F(CFileTest, BinaryModeKeepsCarriageReturns)
{
    EXPECT_EQ(Lines("\xEF\xBB\xBF" "a\r\nb\rc", CFile::modeRead | CFile::typeBinary),
              (std::vector<std::string>{"\xEF\xBB\xBF" "a\r", "b\rc"}));
}

TEST_F(CFileTest, LongLinesAndEmbeddedNulsSurvive)
{
    const std::string longLine(100000, 'F');
    const std::string withNul("1\0002", 3);
    EXPECT_EQ(Lines(longLine + "\n" + withNul), (std::vector<std::string>{longLine, withNul}));
}

TEST_F(CFileTest, StdioFileReadsBytesAndLength)
{
    CStdioFile file;
    ASSERT_TRUE(file.Open(Write("s.bin", "abcdef").c_str(), CFile::modeRead | CFile::typeBinary));
    EXPECT_EQ(file.GetLength(), 6u);
    std::string line;
    char two[2];
    EXPECT_EQ(file.Read(two, 2), 2u);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, "cdef");
    file.Close();
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(CFileTest, PathsAreUtf8WhateverTheSystemsCodePage)
{
    // Letters from three scripts: no single code page holds them all.
    const std::string folder = scratch.file("Zo\xC3\xAB") + "/\xD0\x9F\xD1\x80\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB2\xD0\xBA\xD0\xB0";
    std::filesystem::create_directories(platform::PathFromUtf8(folder));
    const std::string path = folder + "/neu \xE2\x80\x93 2.bin";
    std::ofstream(platform::PathFromUtf8(path), std::ios::binary) << "\x01\x02";
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::typeBinary));
    EXPECT_EQ(file.GetLength(), 2u);
    EXPECT_EQ(file.GetFilePath(), path);
}
