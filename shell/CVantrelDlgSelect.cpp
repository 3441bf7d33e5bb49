// The product and MIDI lists, the data-file browser and the help page.
#include <QDesktopServices>
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

void CVantrelDlg::FillDeviceList(CMyCombox& list, const std::vector<std::string>& names)
{
    list.clear();
    for (std::size_t i = 0; i < names.size(); ++i)
        list.addItem(QString::fromStdString(SelectionRules::DisplayName(names[i], i)));
}

void CVantrelDlg::FillMidiDeviceLists()
{
    const platform::MidiSystem& midi = platform::MidiSystem::instance();
    const std::vector<std::string> outputs = midi.outputNames();
    FillDeviceList(m_cbMidiOut, outputs);
    m_cbMidiOut.setCurrentIndex(SelectionRules::PreferredDeviceIndex(outputs));
    const std::vector<std::string> inputs = midi.inputNames();
    FillDeviceList(m_cbMidiIn, inputs);
    m_cbMidiIn.setCurrentIndex(SelectionRules::PreferredDeviceIndex(inputs));
}

void CVantrelDlg::RefillMidiOutList()
{
    FillDeviceList(m_cbMidiOut, platform::MidiSystem::instance().outputNames());
    // The user's pick in the list that now opens makes the selection.
    m_cbMidiOut.setCurrentIndex(-1);
}

void CVantrelDlg::RefillMidiInList()
{
    FillDeviceList(m_cbMidiIn, platform::MidiSystem::instance().inputNames());
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
    m_editDataPath.setText(dialog.selectedFiles().constFirst());
}

void CVantrelDlg::OnHelpButton()
{
    const std::string page = ExeDirectory() + kHelpDirectory + platform::PathSeparator() + kHelpPage;
    // As on the original platform, a missing browser or page gives no message.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page)));
}
