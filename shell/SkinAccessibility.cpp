#include "SkinAccessibility.h"

#include <QAccessibleWidget>
#include <QMetaObject>

#include "CButtonST.h"
#include "CCylinderProgressCtrlST.h"
#include "CPictureStatic.h"

namespace {

// The Update picture: a push button whose press is a click on the picture.
class AccessiblePicture : public QAccessibleWidget {
public:
    explicit AccessiblePicture(CPictureStatic* picture) : QAccessibleWidget(picture, QAccessible::Button) {}

    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }

    void doAction(const QString& name) override
    {
        // Queued: the click starts a whole update, which must not keep the
        // assistive tool's call waiting until the run has ended.
        if (name == pressAction())
            QMetaObject::invokeMethod(static_cast<CPictureStatic*>(widget()), &CPictureStatic::clicked,
                                      Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(name);
    }
};

// A skinned button in check-box mode: a check box with its own checked state.
class AccessibleCheckButton : public QAccessibleWidget {
public:
    explicit AccessibleCheckButton(CButtonST* button) : QAccessibleWidget(button, QAccessible::CheckBox) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->GetChecked();
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList{toggleAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        if (name == toggleAction() || name == pressAction())
            button()->click();
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
    if (className == QLatin1String("CButtonST")) {
        auto* button = static_cast<CButtonST*>(object);
        // Push buttons are left to Qt's own button interface.
        if (button->IsCheckBox())
            return new AccessibleCheckButton(button);
    }
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
