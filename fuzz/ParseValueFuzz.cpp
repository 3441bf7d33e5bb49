// The value parsers against the C library's own conversion, narrowed to 32
// bits: white space, sign, 0x prefix, digits up to the first other
// character, all-ones beyond 32 bits.
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "ParseValue.h"

namespace {

std::uint32_t libraryValue(const std::string& text, int base)
{
    errno = 0;
    const unsigned long long raw = std::strtoull(text.c_str(), nullptr, base);
    if (errno == ERANGE)
        return 0xFFFFFFFFu;
    std::size_t i = 0;
    while (std::isspace(static_cast<unsigned char>(text.c_str()[i])))
        ++i;
    const bool negative = text.c_str()[i] == '-';
    const unsigned long long magnitude = negative ? 0ull - raw : raw;
    if (magnitude > 0xFFFFFFFFull)
        return 0xFFFFFFFFu;
    const auto value = static_cast<std::uint32_t>(magnitude);
    return negative ? 0u - value : value;
}

void check(const std::string& text, int base, bool (*parse)(const char*, std::uint32_t&))
{
    std::uint32_t value = 0x12345678;
    const bool ok = parse(text.c_str(), value);
    Require(value == libraryValue(text, base), "value differs from the C library's");
    Require(ok == (value != 0xFFFFFFFFu), "result");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    check(text, 16, &ParseHexValue);
    check(text, 10, &ParseDecValue);
    return 0;
}
