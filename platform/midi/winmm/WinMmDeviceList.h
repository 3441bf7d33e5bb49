#pragma once
#include <optional>
#include <string>
#include <vector>

#include "WinMmApi.h"

namespace platform {

//! WinMM's input or output devices as one look at the list found them, and
//! how a device is recognised in a later look.
//!
//! A device number is no identity: the numbers close up when a device goes
//! and a device plugged in again comes last. What survives renumbering is the
//! device interface path the driver gives (DRV_QUERYDEVICEINTERFACE), and a
//! device with one is known by it. A driver that gives none (Wine, older
//! drivers) leaves the name: Windows MIDI Services lists a re-plugged device
//! as "2- <name>", then "3- 2- <name>" (tracker issue 1224), and a name fills
//! at most 31 characters (MIDIINCAPS: szPname), so a long name loses its end
//! to the prefix. Such a device is known by its name without the prefixes
//! and its occurrence among the devices of that name ("USB MIDI#1"), and a
//! name that filled all 31 characters matches any name it begins.
class WinMmDeviceList {
public:
    //! One device of a look.
    struct Entry {
        std::string name;  //!< as listed (UTF-8)
        std::string path;  //!< the device interface path, empty when the driver gives none
        bool full = false; //!< the name filled szPname: it may have been cut
    };

    //! Looks at the list: the count, then each device's name and path. Calls
    //! into WinMM (into Windows MIDI Services, where it runs): heavy, and it
    //! may stall; never from a thread with a deadline.
    static std::vector<Entry> look(WinMmApi& api, bool output);
    //! The identity of each entry, in order: "path:" and its interface path,
    //! or its base name (with "*" when it may be cut), "#" and its occurrence
    //! among the entries of a matching name.
    static std::vector<std::string> identities(const std::vector<Entry>& entries);
    //! The number of the entry with `identity`.
    static std::optional<unsigned> find(const std::vector<Entry>& entries, const std::string& identity);
    //! Whether the device with `identity`, while it is open, may still be
    //! listed: by its path, or, known by name, while any device of its name
    //! is (which of two of one name went, a name cannot tell: the handle's
    //! own failure says it for ours).
    static bool mayBeListed(const std::vector<Entry>& entries, const std::string& identity);
    //! A listed name without the "N- " prefixes Windows MIDI Services puts before a re-plugged device's.
    static std::string baseName(const std::string& name);

private:
    static std::string nameKey(const Entry& entry);
    static bool sameName(const std::string& key, const std::string& other);
};

}  // namespace platform
