#include "WinMmDeviceList.h"

#include <mmddk.h>

#include <cwchar>
#include <regex>

#include "WinMmText.h"
#include "WideText.h"

namespace platform {

namespace {

constexpr const char* kPathPrefix = "path:";
constexpr char kMayBeCut = '*';

template <class Caps>
WinMmDeviceList::Entry entryFrom(const Caps& caps)
{
    WinMmDeviceList::Entry entry;
    entry.name = WinMmProductName(caps.szPname, MAXPNAMELEN);
    entry.full = ::wcsnlen(caps.szPname, MAXPNAMELEN) >= MAXPNAMELEN - 1;  // a driver may leave out the terminator
    return entry;
}

// The interface path of device `number`, empty when the driver gives none.
std::string interfacePath(WinMmApi& api, bool output, unsigned number)
{
    const auto message = [&](UINT what, DWORD_PTR first, DWORD_PTR second) {
        return output ? api.midiOutMessage(reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(number)), what, first,
                                           second)
                      : api.midiInMessage(reinterpret_cast<HMIDIIN>(static_cast<UINT_PTR>(number)), what, first,
                                          second);
    };
    ULONG bytes = 0;
    if (message(DRV_QUERYDEVICEINTERFACESIZE, reinterpret_cast<DWORD_PTR>(&bytes), 0) != MMSYSERR_NOERROR ||
        bytes < sizeof(wchar_t))
        return {};
    std::wstring path(bytes / sizeof(wchar_t), L'\0');
    if (message(DRV_QUERYDEVICEINTERFACE, reinterpret_cast<DWORD_PTR>(path.data()), bytes) != MMSYSERR_NOERROR)
        return {};
    path.resize(std::char_traits<wchar_t>::length(path.c_str()));
    return Utf8FromWide(path);
}

}  // namespace

std::vector<WinMmDeviceList::Entry> WinMmDeviceList::look(WinMmApi& api, bool output)
{
    const unsigned count = output ? api.midiOutGetNumDevs() : api.midiInGetNumDevs();
    std::vector<Entry> entries;
    for (unsigned number = 0; number < count; ++number) {
        Entry entry;
        if (output) {
            MIDIOUTCAPSW caps{};
            if (api.midiOutGetDevCapsW(number, &caps, sizeof caps) == MMSYSERR_NOERROR)
                entry = entryFrom(caps);
        } else {
            MIDIINCAPSW caps{};
            if (api.midiInGetDevCapsW(number, &caps, sizeof caps) == MMSYSERR_NOERROR)
                entry = entryFrom(caps);
        }
        if (!entry.name.empty())
            entry.path = interfacePath(api, output, number);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string WinMmDeviceList::baseName(const std::string& name)
{
    static const std::regex reconnectPrefixes("^([0-9]+- )+");
    return std::regex_replace(name, reconnectPrefixes, "");
}

std::string WinMmDeviceList::nameKey(const Entry& entry)
{
    return baseName(entry.name) + (entry.full ? std::string(1, kMayBeCut) : std::string());
}

bool WinMmDeviceList::sameName(const std::string& key, const std::string& other)
{
    const auto cut = [](const std::string& k) { return !k.empty() && k.back() == kMayBeCut; };
    const std::string a = cut(key) ? key.substr(0, key.size() - 1) : key;
    const std::string b = cut(other) ? other.substr(0, other.size() - 1) : other;
    if (a == b)
        return true;
    // A cut name is the beginning of the whole one.
    return (cut(key) && b.size() > a.size() && b.compare(0, a.size(), a) == 0) ||
           (cut(other) && a.size() > b.size() && a.compare(0, b.size(), b) == 0);
}

std::vector<std::string> WinMmDeviceList::identities(const std::vector<Entry>& entries)
{
    std::vector<std::string> identities;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].path.empty()) {
            identities.push_back(kPathPrefix + entries[i].path);
            continue;
        }
        const std::string key = nameKey(entries[i]);
        int occurrence = 1;
        for (std::size_t j = 0; j < i; ++j)
            occurrence += entries[j].path.empty() && sameName(key, nameKey(entries[j])) ? 1 : 0;
        identities.push_back(key + "#" + std::to_string(occurrence));
    }
    return identities;
}

std::optional<unsigned> WinMmDeviceList::find(const std::vector<Entry>& entries, const std::string& identity)
{
    if (identity.rfind(kPathPrefix, 0) == 0) {
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (kPathPrefix + entries[i].path == identity)
                return static_cast<unsigned>(i);
        return std::nullopt;
    }
    // By name: the occurrence counts among matching names, whichever side was cut.
    const std::size_t hash = identity.rfind('#');
    if (hash == std::string::npos)
        return std::nullopt;
    const std::string key = identity.substr(0, hash);
    const std::string wanted = identity.substr(hash + 1);
    int occurrence = 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].path.empty() && sameName(key, nameKey(entries[i])) && std::to_string(++occurrence) == wanted)
            return static_cast<unsigned>(i);
    return std::nullopt;
}

bool WinMmDeviceList::mayBeListed(const std::vector<Entry>& entries, const std::string& identity)
{
    if (identity.rfind(kPathPrefix, 0) == 0)
        return find(entries, identity).has_value();
    const std::string key = identity.substr(0, identity.rfind('#'));
    for (const Entry& entry : entries)
        if (entry.path.empty() && sameName(key, nameKey(entry)))
            return true;
    return false;
}

}  // namespace platform
