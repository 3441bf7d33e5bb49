#include "FileHelpers.h"

#include "ModulePath.h"
#include "UserMessage.h"

namespace {

std::string computeExeDirectory()
{
    const std::string path = platform::ModuleFilePath();
    const std::size_t separator = path.find_last_of(platform::PathSeparator());
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

}  // namespace

std::string& GetExeDirectory(std::string& out)
{
    static const std::string directory = computeExeDirectory();
    out = directory;
    return out;
}

bool TryOpen(CFile& file, const std::string& path, unsigned flags, CFileException& error)
{
    error = CFileException(CFileException::none, -1);
    try {
        return file.Open(path.c_str(), flags, &error);
    } catch (...) {
        error.m_cause = CFileException::genericException;
        return false;
    }
}

bool OpenWithReport(CFile& file, const std::string& path, unsigned flags, bool report)
{
    CFileException error(CFileException::none, -1);
    if (TryOpen(file, path, flags, error))
        return true;
    if (report)
        ShowFileError(path, error);
    return false;
}

void ShowFileError(const std::string& path, const CFileException& e)
{
    platform::ShowMessage(FileErrorText(e.m_cause) + path);
}

const char* FileErrorText(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound: return "No such file in the directory\n";
    case CFileException::badPath: return "No such directory\n";
    case CFileException::tooManyOpenFiles: return "File been opened too many times\n";
    case CFileException::accessDenied: return "Can not access to the file\n";
    case CFileException::invalidFile: return "The file is invalid\n";
    case CFileException::sharingViolation: return "File shareing violation\n";
    case CFileException::lockViolation: return "File lock violation\n";
    case CFileException::diskFull: return "Run out of disk\n";
    case CFileException::endOfFile: return "File reach the end\n";
    default: return "Unknown Error!";
    }
}
