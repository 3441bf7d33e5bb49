#include "CVantrelApp.h"

#include <cstdlib>
#include <cstring>

#include "CVantrelDlg.h"
#include "EventPump.h"
#include "MidiBackends.h"
#include "MidiSystem.h"
#include "QtEventPump.h"
#include "QtMessageBox.h"
#include "SimulatedMidiBackend.h"
#include "SkinPalette.h"
#include "UserMessage.h"

CVantrelApp::CVantrelApp() = default;

CVantrelApp::~CVantrelApp() = default;

bool CVantrelApp::SimulatorRequested()
{
    const char* value = std::getenv(kSimulatorVariable);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

bool CVantrelApp::InitInstance()
{
    platform::InstallQtMessageBox();
    // Before any window: the "already running" box takes the window's colours.
    ApplySkinPalette();
    m_instanceLock = std::make_unique<platform::SingleInstanceLock>(platform::ApplicationName());
    // The lock is kept until the process ends. Where no lock file can be made
    // the guard is impossible; the program then runs unguarded.
    if (m_instanceLock->Acquire() == platform::SingleInstanceLock::Result::HeldElsewhere) {
        platform::ShowMessage(kAlreadyRunningText);
        return false;
    }
    platform::InstallQtEventPump();
    RegisterMidiBackends();
    {
        CVantrelDlg dialog;
        dialog.exec();
    }
    platform::SetPumpHook(nullptr);
    return false;
}

void CVantrelApp::RegisterMidiBackends()
{
    platform::MidiSystem& midi = platform::MidiSystem::instance();
    platform::RegisterSystemMidiBackends(midi);
    // After every real device, so the device numbers of real hardware don't move.
    if (SimulatorRequested())
        midi.addBackend(std::make_shared<platform::SimulatedMidiBackend>());
}
