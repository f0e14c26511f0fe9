#include "widgets/ControlAccessibility.h"

#include "widgets/Controls.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace {

// Qt's own combo box interface gives the current entry as the name on this
// platform, whatever accessible name the list carries; a screen reader then
// cannot tell the lists apart.
class DropDownListAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit DropDownListAccessible(DropDownList *list)
        : QAccessibleWidget(list, QAccessible::ComboBox)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Description || kind == QAccessible::Value)
            return entry();
        return QAccessibleWidget::text(kind);
    }

    // The entries, as the popup lists them.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == list()->view() ? 0 : -1;
    }

    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction())
            list()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

    // The current entry as read-only text.
    QString text(int startOffset, int endOffset) const override
    {
        return entry().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(entry().size()); }
    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    DropDownList *list() const { return static_cast<DropDownList *>(widget()); }
    QString entry() const { return list()->currentText(); }
};

// The value a screen reader hears is the one the tool tip shows and the
// device receives, not the raw position, which runs the other way.
class AdjustmentSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AdjustmentSliderAccessible(AdjustmentSlider *slider)
        : QAccessibleWidget(slider, QAccessible::Slider)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return QString::number(slider()->setting());
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return slider()->setting(); }
    void setCurrentValue(const QVariant &value) override { slider()->setValue(-value.toInt()); }
    QVariant maximumValue() const override { return -slider()->minimum(); }
    QVariant minimumValue() const override { return -slider()->maximum(); }
    QVariant minimumStepSize() const override { return slider()->singleStep(); }

private:
    AdjustmentSlider *slider() const { return static_cast<AdjustmentSlider *>(widget()); }
};

QAccessibleInterface *controlInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("DropDownList"))
        return new DropDownListAccessible(static_cast<DropDownList *>(object));
    if (className == QLatin1String("AdjustmentSlider"))
        return new AdjustmentSliderAccessible(static_cast<AdjustmentSlider *>(object));
    if (className == QLatin1String("PictureBox"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Graphic);
    return nullptr;
}

} // namespace

void installControlAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(controlInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

void announceEntry(DropDownList *list)
{
    QAccessibleEvent event(list, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}
