// The update run: checks, block list, ports, erase and write, read-back.
#include <QScopedValueRollback>
#include <cstdio>

#include "CProgressObserver.h"
#include "CVantrelDlg.h"
#include "FirmwareUpdate.h"
#include "PreciseTimer.h"
#include "ProductCatalogue.h"
#include "UserMessage.h"

namespace {

// The device behind the list's selection, as it was when the list was filled.
platform::MidiDeviceId ChosenDevice(const CMyCombox& list, const std::vector<platform::MidiDeviceId>& devices)
{
    const int index = list.currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= devices.size())
        return {};
    return devices[static_cast<std::size_t>(index)];
}

}  // namespace

void CVantrelDlg::OnUpdate()
{
    // The run dispatches waiting messages from its first command to its
    // result box, so a click queued meanwhile (a screen reader's press, a
    // second click) comes in here in the middle of it: one run at a time.
    if (m_runUnderWay)
        return;
    const QScopedValueRollback<bool> underWay(m_runUnderWay, true);
    bool ok = false;
    {
        // The protocol's 1 ms polls and 10 ms steps, on every system.
        const platform::PreciseTimer preciseWaits;
        if (!PrepareUpdate())
            return;
        ok = RunUpdate();
        FinishUpdate();
    }
    if (ok)
        platform::ShowMessage("Update successful !");
}

bool CVantrelDlg::PrepareUpdate()
{
    if (!CheckDeviceLists() || !CheckDataPath() || !LoadFlashBlocks())
        return false;
    KeepAwake();
    try {
        m_midiPort.OpenPorts(ChosenDevice(m_cbMidiOut, m_midiOutDevices),
                             ChosenDevice(m_cbMidiIn, m_midiInDevices));
    } catch (const CMidiError& error) {
        m_sleepInhibitor.reset();
        platform::ShowMessage(error.what());
        return false;
    }
    ShowRunningLook(true);
    m_progress.SetStep(1);
    m_bUpdating = 1;
    return true;
}

bool CVantrelDlg::CheckList(CMyCombox& list, const char* emptyText, const char* noSelectionText)
{
    if (list.count() == 0) {
        platform::ShowMessage(emptyText);
        return false;
    }
    if (list.currentIndex() < 0) {
        platform::ShowMessage(noSelectionText);
        list.showPopup();
        return false;
    }
    return true;
}

bool CVantrelDlg::CheckDeviceLists()
{
    return CheckList(m_cbProduct, "Device config list is empty, please setup the softeware again",
                     "Please set the device type info") &&
           CheckList(m_cbMidiOut, "MIDI out device list is empty", "Please select a MIDI out device") &&
           CheckList(m_cbMidiIn, "MIDI in device list is empty", "Please select a MIDI in device");
}

bool CVantrelDlg::CheckDataPath()
{
    if (!m_editDataPath.text().isEmpty())
        return true;
    platform::ShowMessage("Please select the data file path");
    m_editDataPath.setFocus(Qt::OtherFocusReason);
    return false;
}

bool CVantrelDlg::LoadFlashBlocks()
{
    const ProductCatalogue catalogue(ProductCatalogue::ConfigDirectory());
    const std::string path = catalogue.BlockListPath(m_cbProduct.currentText().toStdString());
    CProgressObserver observer(m_progress);
    return FirmwareUpdate::LoadFlashBlocks(path, m_flashBlocks, observer);
}

bool CVantrelDlg::RunUpdate()
{
    // Taken once, at the start: nothing done during the run reaches it.
    const std::string path = m_editDataPath.text().toStdString();
    const bool verify = m_chkVerify.GetChecked();
    CProgressObserver observer(m_progress);
    if (!FirmwareUpdate::WriteImage(m_midiPort, path, m_flashBlocks, observer))
        return false;
    return verify ? VerifyData(path) : true;
}

bool CVantrelDlg::VerifyData(const std::string& path)
{
    CProgressObserver observer(m_progress);
    return FirmwareUpdate::VerifyImage(m_midiPort, path, m_flashBlocks, observer);
}

void CVantrelDlg::ShowRunningLook(bool running)
{
    // Qt hands the focus of a hidden control to the next tab stop, the model
    // list, where keys typed during the run would change the product. So the
    // bar, which keys do nothing to and a screen reader announces, takes it
    // first, and gives it back before it goes.
    if (running) {
        m_progress.show();
        QWidget* focused = focusWidget();
        m_focusBeforeRun = focused == &m_stcUpdate || focused == &m_chkVerify ? focused : nullptr;
        if (m_focusBeforeRun)
            m_progress.setFocus(Qt::OtherFocusReason);
    }
    m_stcUpdate.setVisible(!running);
    m_chkVerify.setVisible(!running);
    if (!running && m_focusBeforeRun)
        m_focusBeforeRun->setFocus(Qt::OtherFocusReason);
    m_progress.setVisible(running);
}

void CVantrelDlg::FinishUpdate()
{
    ShowRunningLook(false);
    m_bUpdating = 0;
    try {
        m_midiPort.ClosePorts();
    } catch (const CMidiError& error) {
        platform::ShowMessage(error.what());
    }
    m_sleepInhibitor.reset();
}

void CVantrelDlg::KeepAwake()
{
    m_sleepInhibitor.emplace(platform::ApplicationName(), FirmwareUpdate::kStayAwakeReason,
                             static_cast<std::uintptr_t>(winId()));
    // Not worth a message box: the run goes on as before, and the log says why.
    if (!m_sleepInhibitor->Held())
        std::fprintf(stderr, "%s: no sleep inhibitor could be taken (%s): the computer may sleep during the update\n",
                     platform::ApplicationName().c_str(), m_sleepInhibitor->Problem().c_str());
}

bool CVantrelDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (m_bUpdating != 0 && platform::SleepInhibitor::EndsSession(message)) {
        // The user chose to shut down regardless: Windows ends the process
        // soon after this returns, so the end command goes out now.
        m_midiPort.EndDuringRun(kSessionEndGraceMs);
        *result = 0;
        return true;
    }
    if (!platform::SleepInhibitor::RefusesEndSession(message))
        return QDialog::nativeEvent(eventType, message, result);
    *result = 0;  // the session waits until the end command has gone out
    return true;
}
