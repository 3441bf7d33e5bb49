#pragma once
// The rules behind the product and MIDI lists and the data-file filter, apart
// from the widgets that show them.
#include <string>
#include <vector>

namespace SelectionRules {

//! One entry of a directory listing.
struct DirEntry {
    std::string name;
    bool isDirectory = false;
};

//! True for a product file: not a directory, name ending in ".cfg" in any letter case.
bool IsProductFile(const DirEntry& entry);

//! Product name of a product file: its name without the last four characters.
std::string ProductName(const std::string& fileName);

//! Product names of a directory listing in case-insensitive alphabetical order.
std::vector<std::string> ProductNames(const std::vector<DirEntry>& entries);

//! Lists `directory` (names and directory flags); empty when it can't be read.
std::vector<DirEntry> ListDirectory(const std::string& directory);

//! Index of the device to preselect: the last name containing "USB" in any
//! letter case, else 0; -1 for an empty list.
int PreferredDeviceIndex(const std::vector<std::string>& names);

//! The name to show for device `index`: its own name, or a placeholder that
//! keeps the entry (and so the device number) when the name is unreadable.
std::string DisplayName(const std::string& name, std::size_t index);

//! One choice of a file dialog filter.
struct FilterChoice {
    std::string label;                  //!< shown to the user, e.g. "Data files(*.bin)"
    std::vector<std::string> patterns;  //!< wildcard patterns, e.g. "*.BIN"
};

//! Splits a filter of the form "label|patterns|label|patterns||" (patterns
//! separated by ';') into its choices.
std::vector<FilterChoice> ParseFilter(const std::string& filter);

//! `pattern` with every letter matching either case ("*.BIN" -> "*.[bB][iI][nN]"),
//! for a case-sensitive file system.
std::string CaseInsensitivePattern(const std::string& pattern);

//! A filter pattern as a file dialog on this system takes it: "*.*" (every
//! file, also those without a dot) becomes "*", letters match either case.
std::string DialogPattern(const std::string& pattern);

}  // namespace SelectionRules
