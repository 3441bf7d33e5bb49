#pragma once
#include <stdexcept>
#include <string>

//! Why a MIDI port or protocol operation failed: one of the port's fixed
//! texts ("Wait Time Out!", "Fail to open MIDI out device", ...) or the
//! driver's own text for a failed send, whole. Callers show what() unchanged.
class CMidiError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
