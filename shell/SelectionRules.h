#pragma once
// The rules behind the MIDI lists and the data-file filter, apart
// from the widgets that show them.
#include <string>
#include <vector>

namespace SelectionRules {

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
