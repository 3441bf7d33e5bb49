#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "UpdateObserver.h"

//! Records every call of the run's observer in order. Fixed waits take no
//! time unless `realWaits` is set (a test of the run's timing); `onWait`
//! sees each of them either way.
class CapturingObserver : public UpdateObserver {
public:
    void SetRange(int lower, int upper) override { ranges.emplace_back(lower, upper); }
    void SetPos(int pos) override { positions.push_back(pos); }
    void SetCaption(const std::string& caption) override { captions.push_back(caption); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void Pump() override { ++pumps; }
    void Wait(int ms) override
    {
        if (onWait)
            onWait(ms);
        if (realWaits)
            UpdateObserver::Wait(ms);
    }

    bool realWaits = false;
    std::function<void(int ms)> onWait;

    std::vector<std::pair<int, int>> ranges;
    std::vector<int> positions;
    std::vector<std::string> captions;
    std::vector<std::string> messages;
    int pumps = 0;
};
