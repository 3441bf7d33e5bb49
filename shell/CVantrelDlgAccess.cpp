// What the window tells assistive tools, and how the keyboard reaches Update.
#include <QAbstractItemView>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>

#include "CVantrelDlg.h"
#include "FocusRing.h"
#include "SkinAccessibility.h"

namespace {

// A control's spoken name, as the skin paints it beside the control, and the
// text of the template's hidden label that belongs to it (nullptr for none).
struct SpokenName {
    QWidget* control;
    const char* name;
    const char* label;
};

void LinkHiddenLabel(QWidget& window, const SpokenName& spoken)
{
    for (QLabel* label : window.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        // The hidden label becomes the control's label for assistive tools, still unseen.
        if (!label->isVisibleTo(&window) && label->text() == QLatin1String(spoken.label))
            label->setBuddy(spoken.control);
    }
}

}  // namespace

void CVantrelDlg::SetupAccessibility()
{
    InstallSkinAccessibility();
    const SpokenName names[] = {
        {&m_cbProduct, "Model", "Product type"},
        {&m_cbMidiIn, "MIDI In Device", "MIDI In Device"},
        {&m_cbMidiOut, "MIDI Out Device", "MIDI Out Device"},
        {&m_editDataPath, "Data Path", "Data Path"},
        {&m_chkVerify, "Verify", nullptr},
        {&m_stcUpdate, "UPDATE", nullptr},
    };
    for (const SpokenName& spoken : names) {
        spoken.control->setAccessibleName(QString::fromLatin1(spoken.name));
        if (spoken.label != nullptr)
            LinkHiddenLabel(*this, spoken);
    }
    // An editable list speaks through its edit field and its pop-up too.
    for (CMyCombox* list : {&m_cbProduct, &m_cbMidiIn, &m_cbMidiOut}) {
        list->lineEdit()->setAccessibleName(list->accessibleName());
        list->view()->setAccessibleName(list->accessibleName());
    }
    // Buttons that show only a glyph are named by their tooltip.
    for (CMyButton* button : {&m_btnMinimize, &m_btnClose, &m_btnBrowse, &m_btnHelp})
        button->setAccessibleName(button->toolTip());
    m_progress.setAccessibleName(m_grpStep4.GetWindowText());
    connect(&m_chkVerify, &QAbstractButton::clicked, this, &CVantrelDlg::AnnounceVerifyState);
}

void CVantrelDlg::AnnounceVerifyState()
{
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(&m_chkVerify, changed);
    QAccessible::updateAccessibility(&event);
}

void CVantrelDlg::AddUpdateTabStop()
{
    // The template gives the picture no tab stop; the keyboard reaches it
    // right after Verify, and Space on it starts the run.
    m_stcUpdate.setFocusPolicy(Qt::TabFocus);
    QWidget::setTabOrder(&m_chkVerify, &m_stcUpdate);
}

bool CVantrelDlg::focusNextPrevChild(bool next)
{
    // Qt comes here too when it hides or disables the control with the focus;
    // only a move the user made shows the focus.
    const QWidget* from = focusWidget();
    if (from != nullptr && from->isVisible() && from->isEnabled())
        ShowFocusCues(*this);
    return QDialog::focusNextPrevChild(next);
}
