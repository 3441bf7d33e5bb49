#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

//! Writes an image file whole or not at all: the bytes go to a temporary
//! file of this process beside the target, which takes the target's name
//! only on Commit. A writer dropped before that removes its temporary file,
//! so a failed read leaves any earlier file of that name as it was.
class ImageFileWriter {
public:
    explicit ImageFileWriter(std::string path);
    ~ImageFileWriter();
    ImageFileWriter(const ImageFileWriter&) = delete;
    ImageFileWriter& operator=(const ImageFileWriter&) = delete;

    //! Creates the temporary file; false when the folder cannot take it.
    bool Open();
    //! Appends `count` bytes; false on a write error.
    bool Write(const std::uint8_t* bytes, std::size_t count);
    //! Completes the file under its own name; false on failure.
    bool Commit();

    //! The temporary file's name while writing.
    const std::string& TemporaryPath() const { return m_temporary; }

private:
    void Discard();

    std::string m_path;
    std::string m_temporary;
    std::FILE* m_file = nullptr;
};
