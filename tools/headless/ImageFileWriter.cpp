#include "ImageFileWriter.h"

#include "FileSystem.h"
#include "ModulePath.h"

ImageFileWriter::ImageFileWriter(std::string path)
    : m_path(std::move(path)), m_temporary(m_path + ".part-" + std::to_string(platform::ProcessId()))
{
}

ImageFileWriter::~ImageFileWriter() { Discard(); }

bool ImageFileWriter::Open()
{
    Discard();
    m_file = platform::OpenFileStream(m_temporary, "wb");
    return m_file != nullptr;
}

bool ImageFileWriter::Write(const std::uint8_t* bytes, std::size_t count)
{
    return m_file != nullptr && std::fwrite(bytes, 1, count, m_file) == count;
}

bool ImageFileWriter::Commit()
{
    if (m_file == nullptr)
        return false;
    const bool written = platform::FlushToDisk(m_file);
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!written || !closed || !platform::RenameReplacing(m_temporary, m_path)) {
        platform::RemoveFile(m_temporary);
        return false;
    }
    return true;
}

void ImageFileWriter::Discard()
{
    if (m_file == nullptr)
        return;
    std::fclose(m_file);
    m_file = nullptr;
    platform::RemoveFile(m_temporary);
}
