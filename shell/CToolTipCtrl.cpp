#include "CToolTipCtrl.h"

#include <QEvent>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

#include "QtColor.h"

CToolTipCtrl::CToolTipCtrl(QObject* parent) : QObject(parent) {}

CToolTipCtrl::~CToolTipCtrl()
{
    for (const QPointer<QWidget>& tool : m_tools)
        if (tool)
            tool->removeEventFilter(this);
}

void CToolTipCtrl::SetTipBkColor(ColorRef color)
{
    m_backColor = color;
    ApplyColors();
}

void CToolTipCtrl::SetTipTextColor(ColorRef color)
{
    m_textColor = color;
    ApplyColors();
}

void CToolTipCtrl::Activate(bool active)
{
    m_active = active;
    if (!active)
        QToolTip::hideText();
}

void CToolTipCtrl::AddTool(QWidget* tool, const QString& text)
{
    if (tool == nullptr)
        return;
    tool->setToolTip(text);
    tool->installEventFilter(this);
    m_tools.emplace_back(tool);
}

bool CToolTipCtrl::eventFilter(QObject* watched, QEvent* event)
{
    // An inactive control swallows the tool's tip requests.
    if (event->type() == QEvent::ToolTip && !m_active)
        return true;
    return QObject::eventFilter(watched, event);
}

void CToolTipCtrl::ApplyColors() const
{
    // Tips are top-level windows of their own: the colours go to the tip palette.
    QPalette palette = QToolTip::palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::ToolTipBase, ToQColor(m_backColor));
        palette.setColor(group, QPalette::ToolTipText, ToQColor(m_textColor));
        palette.setColor(group, QPalette::Window, ToQColor(m_backColor));
        palette.setColor(group, QPalette::WindowText, ToQColor(m_textColor));
    }
    QToolTip::setPalette(palette);
}
