#pragma once
#include <cstdint>
#include <string>
#include <vector>

//! One JSON object written on one line, member after member, for scripts
//! that read the headless updater's --json output.
class JsonLine {
public:
    JsonLine& Add(const std::string& key, const std::string& text);
    JsonLine& Add(const std::string& key, const char* text);
    JsonLine& Add(const std::string& key, std::int64_t number);
    JsonLine& Add(const std::string& key, double number);
    JsonLine& Add(const std::string& key, bool value);
    JsonLine& AddNull(const std::string& key);
    JsonLine& Add(const std::string& key, const std::vector<std::string>& texts);

    //! The object, without a line end.
    std::string Text() const { return "{" + m_members + "}"; }

    //! `text` as a JSON string: quoted and escaped. Bytes that are not UTF-8
    //! stand for the Latin-1 characters of the same number, so the line stays
    //! valid JSON whatever a path or a driver's text holds.
    static std::string Quoted(const std::string& text);

private:
    JsonLine& AddRaw(const std::string& key, const std::string& json);

    std::string m_members;
};
