#include "ParseValue.h"

#include <cctype>

namespace {

int digitValue(char c, unsigned base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'z')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z')
        v = c - 'A' + 10;
    return v >= 0 && unsigned(v) < base ? v : -1;
}

// The standard unsigned conversion, without depending on the width of long.
std::uint32_t parseUnsigned(const char* text, unsigned base)
{
    if (text == nullptr)
        return 0;
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digitValue(p[2], 16) >= 0)
        p += 2;
    std::uint64_t value = 0;
    bool overflow = false;
    for (int d; (d = digitValue(*p, base)) >= 0; ++p) {
        value = value * base + unsigned(d);
        if (value > 0xFFFFFFFFull) {
            overflow = true;
            value = 0xFFFFFFFFull;  // keep consuming digits without growing
        }
    }
    if (overflow)
        return 0xFFFFFFFFu;
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

}  // namespace

bool ParseHexValue(const char* text, std::uint32_t& value)
{
    value = parseUnsigned(text, 16);
    return value != 0xFFFFFFFFu;
}

bool ParseDecValue(const char* text, std::uint32_t& value)
{
    value = parseUnsigned(text, 10);
    return value != 0xFFFFFFFFu;
}
