#include "SkinAccessibility.h"

#include <QAccessibleWidget>
#include <QMetaObject>

#include "CButtonST.h"
#include "CCylinderProgressCtrlST.h"
#include "CPictureStatic.h"

namespace {

// A hidden control, as a disabled one, offers no action and does nothing when
// asked: a run hides UPDATE and Verify, and neither may act during it.
bool TakesActions(const QWidget& control) { return control.isVisible() && control.isEnabled(); }

// The Update picture: a push button whose press is a click on the picture.
class AccessiblePicture : public QAccessibleWidget {
public:
    explicit AccessiblePicture(CPictureStatic* picture) : QAccessibleWidget(picture, QAccessible::Button) {}

    QStringList actionNames() const override
    {
        if (!TakesActions(*widget()))
            return {};
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        if (!TakesActions(*widget()))
            return;
        // Queued: the click starts a whole update, which must not keep the
        // assistive tool's call waiting until the run has ended.
        if (name == pressAction())
            QMetaObject::invokeMethod(static_cast<CPictureStatic*>(widget()), &CPictureStatic::clicked,
                                      Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(name);
    }
};

// A skinned button: a push button, or in check-box mode a check box with its
// own checked state.
class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(CButtonST* button)
        : QAccessibleWidget(button, button->IsCheckBox() ? QAccessible::CheckBox : QAccessible::Button)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->IsCheckBox();
        s.checked = s.checkable && button()->GetChecked();
        return s;
    }

    QStringList actionNames() const override
    {
        if (!TakesActions(*widget()))
            return {};
        const QStringList own = button()->IsCheckBox() ? QStringList{toggleAction(), pressAction()}
                                                       : QStringList{pressAction()};
        return own + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        if (!TakesActions(*widget()))
            return;
        // Queued, as a press may open a modal window (the file browser) that
        // must not keep the assistive tool's call waiting.
        if (name == toggleAction() || name == pressAction())
            QMetaObject::invokeMethod(button(), &QAbstractButton::click, Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(name);
    }

private:
    CButtonST* button() const { return static_cast<CButtonST*>(widget()); }
};

// The drawn progress bar: its percentage as the value, its label as the description.
class AccessibleProgress : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleProgress(CCylinderProgressCtrlST* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Description)
            return QAccessibleWidget::text(t);
        // As the bar reads, without the spaces that set the figure apart there.
        const QString percent = QString::number(bar()->GetPercent()) + QLatin1Char('%');
        const QString caption = bar()->GetWindowText();
        return caption.isEmpty() ? percent : caption + QLatin1Char(' ') + percent;
    }

    QVariant currentValue() const override { return bar()->GetPercent(); }
    void setCurrentValue(const QVariant&) override {}  // only the run moves the bar
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    CCylinderProgressCtrlST* bar() const { return static_cast<CCylinderProgressCtrlST*>(widget()); }
};

QAccessibleInterface* SkinAccessibleFactory(const QString& className, QObject* object)
{
    // Qt asks with each class name from the most derived up; the first answer counts.
    if (className == QLatin1String("CPictureStatic"))
        return new AccessiblePicture(static_cast<CPictureStatic*>(object));
    if (className == QLatin1String("CCylinderProgressCtrlST"))
        return new AccessibleProgress(static_cast<CCylinderProgressCtrlST*>(object));
    if (className == QLatin1String("CButtonST"))
        return new AccessibleButton(static_cast<CButtonST*>(object));
    return nullptr;
}

}  // namespace

void InstallSkinAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&SkinAccessibleFactory);
        return true;
    }();
    (void)installed;
}
