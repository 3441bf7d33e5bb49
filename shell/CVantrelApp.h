#pragma once
// The application object: makes sure one copy runs, brings up the MIDI
// devices and shows the main window modally for the program's whole life.
#include <memory>

#include "SingleInstanceLock.h"

class CVantrelApp {
public:
    //! Message of a second copy started while the first still runs.
    static constexpr const char* kAlreadyRunningText = "The program is current running!";
    //! Environment variable that adds the simulated instrument to the MIDI lists when "1".
    static constexpr const char* kSimulatorVariable = "VANTREL_SIMULATOR";

    CVantrelApp();
    ~CVantrelApp();

    //! Runs the program: single-instance guard, then the main window until it
    //! closes. Always returns false: there is no further message loop. Needs a
    //! QApplication.
    bool InitInstance();

    //! True when the environment asks for the simulated instrument.
    static bool SimulatorRequested();

private:
    void RegisterMidiBackends();

    std::unique_ptr<platform::SingleInstanceLock> m_instanceLock;
};
