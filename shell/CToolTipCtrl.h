#pragma once
// The tooltips of a window's controls: one text per tool, shown while the
// mouse rests on it, in the colours given to the control.
#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

#include "ColorTypes.h"

class QWidget;

class CToolTipCtrl : public QObject {
    Q_OBJECT

public:
    //! An inactive tooltip control without tools.
    explicit CToolTipCtrl(QObject* parent = nullptr);
    ~CToolTipCtrl() override;

    //! Background colour of every tip.
    void SetTipBkColor(ColorRef color);
    //! Text colour of every tip.
    void SetTipTextColor(ColorRef color);
    //! Shows tips (true) or keeps them hidden (false).
    void Activate(bool active);
    //! Registers `tool` with its tip `text`.
    void AddTool(QWidget* tool, const QString& text);

    //! True while tips are shown.
    bool IsActive() const { return m_active; }
    //! Number of registered tools.
    std::size_t GetToolCount() const { return m_tools.size(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyColors() const;

    bool m_active = false;
    ColorRef m_backColor = kWhiteColor;
    ColorRef m_textColor = kTextColor;
    std::vector<QPointer<QWidget>> m_tools;
};
