#pragma once
// Drives the window's progress bar and message boxes from the update steps.
#include <string>

#include "UpdateObserver.h"

class CCylinderProgressCtrlST;

class CProgressObserver : public UpdateObserver {
public:
    //! Largest bound the bar holds (its bounds are 16-bit).
    static constexpr int kMaxBarValue = 32767;

    //! Reports to `progress`; messages go to the user.
    explicit CProgressObserver(CCylinderProgressCtrlST& progress);

    void SetRange(int lower, int upper) override;
    void SetPos(int pos) override;
    void SetCaption(const std::string& caption) override;
    void ShowMessage(const std::string& text) override;
    void Pump() override;

    //! Divisor that brings `upper` into the bar's bounds: 1 up to kMaxBarValue,
    //! so images of more than 32767 chunks still show a true percentage.
    static int ScaleFor(int upper);

private:
    CCylinderProgressCtrlST& m_progress;
    int m_scale = 1;
};
