#pragma once
// Small helpers shared by the fuzz harnesses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

//! Ends the run as a finding (libFuzzer keeps the input) when `condition` is false.
inline void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "finding: %s\n", what);
        std::abort();
    }
}

//! The input cut at every NUL byte: a program's arguments after its name.
inline std::vector<std::string> SplitArguments(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    return args;
}
