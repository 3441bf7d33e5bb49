#pragma once
// Single-line edit for a number that can also be changed by dragging the
// mouse up or down (one unit per 8 pixels) while it has the focus. Draws a
// thin frame that changes colour under the mouse and selects all its text
// whenever it gains the focus.
#include <QCursor>
#include <QLineEdit>
#include <QPoint>

class QPainter;

class CSlideEdit : public QLineEdit {
public:
    //! An empty edit in decimal mode with sliding enabled.
    explicit CSlideEdit(QWidget* parent = nullptr);
    ~CSlideEdit() override;

    QPoint m_pressPoint;         //!< where the press that started the slide was
    bool m_hover = false;        //!< the mouse is over the edit
    bool m_dragging = false;     //!< a slide is in progress
    bool m_hexMode = false;      //!< the number is read and written in hexadecimal
    bool m_slideEnabled = true;  //!< sliding with the mouse is allowed

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void StartSlide(const QPoint& pos);
    void SlideStep(int y);
    void EndSlide();
    void SelectAllText();
    void DrawFrame(QPainter& painter) const;

    QCursor m_restCursor;
};
