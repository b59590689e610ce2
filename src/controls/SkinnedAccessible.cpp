#include "SkinnedAccessible.h"

#include "BitmapSlider.h"

#include <QAccessibleWidget>

namespace qv {

namespace {

class AccessibleBitmapSlider : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleBitmapSlider(QWidget* w) : QAccessibleWidget(w, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                : QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return Slider()->Position(); }
    void setCurrentValue(const QVariant& value) override { Slider()->SetPosition(value.toInt()); }
    QVariant maximumValue() const override {
        return std::max(Slider()->rangeMin, Slider()->rangeMax);
    }
    QVariant minimumValue() const override {
        return std::min(Slider()->rangeMin, Slider()->rangeMax);
    }
    QVariant minimumStepSize() const override { return 1; }

private:
    CBitmapSlider* Slider() const { return static_cast<CBitmapSlider*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("qv::CBitmapSlider") && object && object->isWidgetType())
        return new AccessibleBitmapSlider(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void InstallSkinnedAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(Factory);
}

} // namespace qv
