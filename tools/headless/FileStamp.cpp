#include "FileStamp.h"

bool FileStamp::StillMatches(const std::string& path) const { return m_valid && Of(path) == *this; }
