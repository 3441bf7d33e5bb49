#pragma once
#include <string>

#include "PumpWaitingMessages.h"

//! Where the erase, write and read-back loops report to: the window's
//! progress bar and message boxes, or a terminal in a headless run.
class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;

    //! Progress range of the current phase, in chunks of 1024 words.
    virtual void SetRange(int lower, int upper) = 0;
    //! Progress position; the receiver clamps it into the range.
    virtual void SetPos(int pos) = 0;
    //! Caption of the current phase: "Updating..." or "Verifing...".
    virtual void SetCaption(const std::string& caption) = 0;
    //! A message for the user (an OK box in the window).
    virtual void ShowMessage(const std::string& text) = 0;
    //! Lets waiting window messages run between steps.
    virtual void Pump() = 0;
    //! One of the run's fixed waits (the settling of an erase, the interval
    //! between its polls), serving the window meanwhile; overridden where the
    //! waits are to be counted.
    virtual void Wait(int ms)
    {
        WaitDispatching(static_cast<unsigned>(ms), [this] { Pump(); });
    }
};
