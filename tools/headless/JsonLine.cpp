#include "JsonLine.h"

#include <cmath>
#include <cstdio>

namespace {

// Length of the well-formed UTF-8 sequence at `at`, or 0 when it is not one.
std::size_t utf8Length(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    unsigned code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= lowest && code <= 0x10FFFF && !surrogate ? length : 0;
}

std::string escapedCode(unsigned code)
{
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", code);
    return text;
}

}  // namespace

std::string JsonLine::Quoted(const std::string& text)
{
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8Length(text, i);
            json += length != 0 ? text.substr(i, length) : escapedCode(c);
            i += length != 0 ? length : 1;
            continue;
        }
        if (c == '"' || c == '\\')
            json += {'\\', static_cast<char>(c)};
        else if (c == '\n')
            json += "\\n";
        else if (c < 0x20 || c == 0x7F)
            json += escapedCode(c);
        else
            json += static_cast<char>(c);
        ++i;
    }
    return json + "\"";
}

JsonLine& JsonLine::Add(const std::string& key, const std::string& text) { return AddRaw(key, Quoted(text)); }

JsonLine& JsonLine::Add(const std::string& key, const char* text) { return Add(key, std::string(text)); }

JsonLine& JsonLine::Add(const std::string& key, std::int64_t number) { return AddRaw(key, std::to_string(number)); }

JsonLine& JsonLine::Add(const std::string& key, double number)
{
    if (!std::isfinite(number))
        return AddNull(key);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", number);
    return AddRaw(key, text);
}

JsonLine& JsonLine::Add(const std::string& key, bool value) { return AddRaw(key, value ? "true" : "false"); }

JsonLine& JsonLine::AddNull(const std::string& key) { return AddRaw(key, "null"); }

JsonLine& JsonLine::Add(const std::string& key, const std::vector<std::string>& texts)
{
    std::string json = "[";
    for (std::size_t i = 0; i < texts.size(); ++i)
        json += (i == 0 ? "" : ",") + Quoted(texts[i]);
    return AddRaw(key, json + "]");
}

JsonLine& JsonLine::AddRaw(const std::string& key, const std::string& json)
{
    if (!m_members.empty())
        m_members += ',';
    m_members += Quoted(key) + ':' + json;
    return *this;
}
