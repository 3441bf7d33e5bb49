#include "ImageFileWriter.h"

#include <unistd.h>

ImageFileWriter::ImageFileWriter(std::string path)
    : m_path(std::move(path)), m_temporary(m_path + ".part-" + std::to_string(::getpid()))
{
}

ImageFileWriter::~ImageFileWriter() { Discard(); }

bool ImageFileWriter::Open()
{
    Discard();
    m_file = std::fopen(m_temporary.c_str(), "wb");
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
    const bool written = std::fflush(m_file) == 0 && ::fsync(::fileno(m_file)) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!written || !closed || std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        std::remove(m_temporary.c_str());
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
    std::remove(m_temporary.c_str());
}
