#pragma once
// Group box of the skin: a caption with a 2-pixel drop shadow and an
// anti-aliased frame with rounded corners whose top edge runs through the
// caption's middle. Paints no background.
#include <QString>
#include <QWidget>

#include "ColorTypes.h"

class CMyGroupbox : public QWidget {
    Q_OBJECT

public:
    //! A group box with the default look.
    explicit CMyGroupbox(QWidget* parent = nullptr);
    ~CMyGroupbox() override;

    //! Sets the caption and repaints.
    void SetWindowText(const QString& text);
    //! The caption.
    QString GetWindowText() const { return m_text; }

    int m_alignment = 0;                          //!< caption: 0 left, 1 centre, 2 right
    int m_radius = 20;                            //!< frame corner radius and caption indent, pixels
    int m_lineWidth = 2;                          //!< frame pen width, pixels
    ColorRef m_textColor = RGB(0, 70, 213);       //!< caption colour
    ColorRef m_frameColor = RGB(208, 208, 191);   //!< frame colour
    ColorRef m_shadowColor = RGB(224, 232, 217);  //!< colour of the caption's shadow

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    //! Offset of the caption's drop shadow, right and down.
    static constexpr int kShadowOffset = 2;

    QString m_text;
};
