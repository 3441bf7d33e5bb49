#pragma once
// Finding the executable's directory and opening files with a message for
// the user when that fails.
#include <string>

#include "CFile.h"
#include "CFileException.h"

//! Copies the executable's directory, with its trailing separator, into `out`
//! and returns `out`. Worked out once per process; empty if unknown.
std::string& GetExeDirectory(std::string& out);

//! Opens `path` in `file` with `flags`; on failure `error` holds the cause.
//! Never throws.
bool TryOpen(CFile& file, const std::string& path, unsigned flags, CFileException& error);

//! Opens `path` in `file` with `flags`. On failure shows the reason (when
//! `report` is set) and returns false; never throws.
bool OpenWithReport(CFile& file, const std::string& path, unsigned flags, bool report);

//! Shows the text for the cause in `e` followed by `path`.
void ShowFileError(const std::string& path, const CFileException& e);

//! The message text for a CFileException cause code.
const char* FileErrorText(int cause);
