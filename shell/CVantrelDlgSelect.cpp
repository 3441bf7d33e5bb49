// The product and MIDI lists, the data-file browser and the help page.
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QStringList>
#include <QUrl>

#include "CVantrelDlg.h"
#include "FileHelpers.h"
#include "MidiSystem.h"
#include "ModulePath.h"
#include "ProductCatalogue.h"
#include "SelectionRules.h"

namespace {

const char* const kHelpPage = "HelpEng.htm";
const char* const kHelpDirectory = "help";
const char* const kDataFileFilter = "Data files(*.bin)|*.BIN|All files(*.*)|*.*||";

std::string ExeDirectory()
{
    std::string directory;
    return GetExeDirectory(directory);
}

// "label (patterns)" for Qt's file dialog; the dialog hides the patterns, so
// the user reads the label exactly as given.
QStringList DialogNameFilters(const char* filter)
{
    QStringList filters;
    for (const SelectionRules::FilterChoice& choice : SelectionRules::ParseFilter(filter)) {
        QStringList patterns;
        for (const std::string& pattern : choice.patterns)
            patterns << QString::fromStdString(SelectionRules::DialogPattern(pattern));
        filters << QString::fromStdString(choice.label) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

}  // namespace

void CVantrelDlg::FillProductList()
{
    m_cbProduct.clear();
    // Read in place: the process's current directory is left alone.
    for (const std::string& name : ProductCatalogue(ProductCatalogue::ConfigDirectory()).Names())
        m_cbProduct.addItem(QString::fromStdString(name));
    m_cbProduct.setCurrentIndex(m_cbProduct.count() > 0 ? 0 : -1);
}

void CVantrelDlg::FillDeviceList(CMyCombox& list, std::vector<platform::MidiDeviceId>& listed,
                                 std::vector<platform::MidiDeviceId> devices)
{
    list.clear();
    listed = std::move(devices);
    for (std::size_t i = 0; i < listed.size(); ++i)
        list.addItem(QString::fromStdString(SelectionRules::DisplayName(listed[i].name, i)));
}

void CVantrelDlg::FillMidiDeviceLists()
{
    const platform::MidiSystem& midi = platform::MidiSystem::instance();
    FillDeviceList(m_cbMidiOut, m_midiOutDevices, midi.outputDevices());
    m_cbMidiOut.setCurrentIndex(SelectionRules::PreferredDeviceIndex(platform::DeviceNames(m_midiOutDevices)));
    FillDeviceList(m_cbMidiIn, m_midiInDevices, midi.inputDevices());
    m_cbMidiIn.setCurrentIndex(SelectionRules::PreferredDeviceIndex(platform::DeviceNames(m_midiInDevices)));
}

void CVantrelDlg::RefillMidiOutList()
{
    FillDeviceList(m_cbMidiOut, m_midiOutDevices, platform::MidiSystem::instance().outputDevices());
    // The user's pick in the list that now opens makes the selection.
    m_cbMidiOut.setCurrentIndex(-1);
}

void CVantrelDlg::RefillMidiInList()
{
    FillDeviceList(m_cbMidiIn, m_midiInDevices, platform::MidiSystem::instance().inputDevices());
    m_cbMidiIn.setCurrentIndex(-1);
}

void CVantrelDlg::OnBrowseDataFile()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(DialogNameFilters(kDataFileFilter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // As the system writes paths: with backslashes on Windows.
    m_editDataPath.setText(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}

void CVantrelDlg::OnHelpButton()
{
    const std::string page = ExeDirectory() + kHelpDirectory + platform::PathSeparator() + kHelpPage;
    // A missing browser or page gives no message: the button then does nothing.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page)));
}
