#include "CProgressObserver.h"

#include "CCylinderProgressCtrlST.h"
#include "PumpWaitingMessages.h"
#include "UserMessage.h"

CProgressObserver::CProgressObserver(CCylinderProgressCtrlST& progress) : m_progress(progress) {}

int CProgressObserver::ScaleFor(int upper)
{
    if (upper <= kMaxBarValue)
        return 1;
    return upper / kMaxBarValue + (upper % kMaxBarValue != 0 ? 1 : 0);
}

void CProgressObserver::SetRange(int lower, int upper)
{
    m_scale = ScaleFor(upper);
    m_progress.SetRange(static_cast<short>(lower / m_scale), static_cast<short>(upper / m_scale));
}

void CProgressObserver::SetPos(int pos) { m_progress.SetPos(pos / m_scale); }

void CProgressObserver::SetCaption(const std::string& caption)
{
    m_progress.SetWindowText(QString::fromStdString(caption));
}

void CProgressObserver::ShowMessage(const std::string& text) { platform::ShowMessage(text); }

void CProgressObserver::Pump() { PumpWaitingMessages(); }
