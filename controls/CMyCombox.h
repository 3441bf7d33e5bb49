#pragma once
// The skin's combo box: an editable box with a one-pixel frame that changes
// colour while the mouse is inside, a white interior and a bitmap drop-down
// button. Typing completes to the first matching entry and drops the list
// down. An optional owner-drawn list paints rows in shaded groups of twelve.
#include <QComboBox>
#include <QRect>
#include <QTimer>

#include "ColorTypes.h"
#include "ComboLayout.h"
#include "ScaledBitmap.h"

class QKeyEvent;
class QPainter;
class QProxyStyle;

class CMyCombox : public QComboBox {
    Q_OBJECT

public:
    //! One list row to paint: its index, whether it is selected, the painter and the row rectangle.
    struct DrawItemRequest {
        int itemID = -1;
        bool selected = false;
        QPainter* painter = nullptr;
        QRect rcItem;
    };

    //! Period of the hover polling timer that notices the mouse has left.
    static constexpr int kHoverPollMs = 100;
    //! Pixels the item text is moved right of the row's inner edge.
    static constexpr int kItemTextIndent = 10;

    //! An editable box without Qt's own completion or insertion.
    explicit CMyCombox(QWidget* parent = nullptr);
    ~CMyCombox() override;

    //! Gives the list owner-drawn fixed-height rows painted by DrawItem (off by default).
    void SetOwnerDrawFixed(bool ownerDraw);
    //! True when DrawItem paints the list rows.
    bool IsOwnerDrawFixed() const { return m_ownerDraw; }
    //! Height in pixels the dropped list may take, as the dialog template gives it
    //! (whole rows, as many as fit); 0 leaves Qt's default of ten rows.
    void SetDroppedHeight(int pixels) { m_droppedHeight = pixels; }
    //! The dropped list's height limit; 0 when none is set.
    int GetDroppedHeight() const { return m_droppedHeight; }

    //! Paints one row of an owner-drawn list.
    virtual void DrawItem(const DrawItemRequest& request);
    //! Fills `rect` with 64 vertical bands running from `c1` (left) to `c2` (right).
    static void FillGradient(QPainter& dc, const QRect& rect, ColorRef c1, ColorRef c2);

    //! The drop-down button area in widget coordinates.
    QRect DropDownArea() const;
    //! The mouse is inside the box (cleared only by the polling timer).
    bool IsMouseInside() const { return m_mouseInside; }
    //! The mouse is over the drop-down button area.
    bool IsOverButton() const { return m_overButton; }
    //! Delete or Backspace is held: completion is suspended.
    bool IsDeleting() const { return m_deleting; }
    //! True while the hover polling timer runs.
    bool IsHoverTimerActive() const { return m_hoverTimer.isActive(); }
    //! The box or its edit field has the focus.
    bool HoldsFocus() const;

    //! Emits dropDown(), so the owner can refill the list, then opens it.
    void showPopup() override;

signals:
    //! The list is about to drop down.
    void dropDown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    //! Watches Delete, Backspace and Enter on their way to the box or its edit field.
    virtual void PreTranslateMessage(QEvent* event);

private:
    void OnMouseMove(const QPoint& p);
    void OnTimer();
    void OnEditUpdate();
    void OnEditChange();
    void onTextEdited();
    EditSelection editSelection() const;
    void setEditSelection(EditSelection sel);
    void clearHoverState();
    bool isPopupVisible() const;
    bool isEditKey(const QKeyEvent& key) const;
    void fitListToDroppedHeight();
    bool forwardToEdit(QEvent* event);
    void paintButton(QPainter& painter, const QRect& area) const;

    bool m_mouseInside = false;
    bool m_overButton = false;
    bool m_deleting = false;
    platform::ScaledBitmap m_buttonBitmap = platform::ScaledBitmap::Load(134);
    platform::ScaledBitmap m_buttonHoverBitmap = platform::ScaledBitmap::Load(135);
    bool m_ownerDraw = false;
    bool m_capsLockOn = false;  // as the last key to reach the box found it
    int m_droppedHeight = 0;
    QTimer m_hoverTimer{this};  // a child named "hoverTimer", so its ticks can be counted from outside
    QProxyStyle* m_style = nullptr;  // owned by this box (QObject child)
};
