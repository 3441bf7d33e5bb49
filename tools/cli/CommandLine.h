#pragma once
// What the command-line tools share: numbers as they are written on a
// command line, parsing with CLI11 into an outcome a program acts on, and
// the version line.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace CommandLine {

//! What a command line asked for, once parsed.
struct Outcome {
    enum class Kind {
        Run,      //!< go on with the parsed options
        Help,     //!< `text` is the --help text
        Version,  //!< `text` is the --version line
        Error,    //!< `text` says what is wrong, in one line
    };
    Kind kind = Kind::Run;
    std::string text;
};

//! Reads a whole number written in decimal, or in hexadecimal after 0x
//! (2000 is decimal, 0x2000 hexadecimal); nothing else may follow.
bool ParseNumber(const std::string& text, std::uint64_t& value);

//! The rule ParseNumber follows, for the end of a --help text.
extern const char* const kNumberRule;

//! "<program> <project version>", e.g. "vantrel-update 1.0".
std::string VersionLine(const std::string& program);

//! A new CLI11 parser for `program`: --help and --version, options that
//! take the last of repeated values, flags that take no "=value".
std::unique_ptr<CLI::App> NewApp(const std::string& program, const std::string& description);

//! Adds option `name` taking a number from `lowest` to `highest` (see
//! ParseNumber) and passes each value given to `store`.
CLI::Option* AddNumber(CLI::App& app, const std::string& name, std::uint64_t lowest, std::uint64_t highest,
                       std::function<void(std::uint64_t)> store, const std::string& description);

//! Parses `args` (without the program name).
Outcome Parse(CLI::App& app, const std::vector<std::string>& args);

//! Prints what `outcome` holds for a program that does not run (help and
//! version on standard output, an error on standard error) and returns its
//! exit code: 0, or `usageExitCode` for an error.
int Report(const Outcome& outcome, const std::string& program, int usageExitCode);

}  // namespace CommandLine
