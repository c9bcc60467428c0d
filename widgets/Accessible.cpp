#include "widgets/Accessible.h"

#include "widgets/ClickLabel.h"
#include "widgets/ColorPanel.h"

#include <QAccessibleWidget>

namespace {

class PanelAccessible : public QAccessibleWidget {
public:
    explicit PanelAccessible(ColorPanel *panel) : QAccessibleWidget(panel) {}
    ColorPanel *panel() const { return static_cast<ColorPanel *>(widget()); }

    QAccessible::Role role() const override
    {
        // A toggle is a check box, as Qt reports its own checkable buttons: that is how a
        // screen reader on Linux hears that it can be on or off.
        if (panel()->isClickable())
            return panel()->isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
        // A panel with a caption shows a status ("Connected"); one without holds other widgets.
        return panel()->caption().isEmpty() ? QAccessible::Pane : QAccessible::StaticText;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = panel()->isCheckable();
        s.checked = panel()->isCheckable() && panel()->isChecked();
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        const QString text = QAccessibleWidget::text(t);
        return t == QAccessible::Name && text.isEmpty() ? panel()->caption() : text;
    }
    QStringList actionNames() const override
    {
        if (!panel()->isClickable())
            return {};
        return {panel()->isCheckable() ? toggleAction() : pressAction()};
    }
    void doAction(const QString &name) override
    {
        if (panel()->isClickable() && (name == pressAction() || name == toggleAction()))
            emit panel()->clicked();
    }
};

class ClickLabelAccessible : public QAccessibleWidget {
public:
    explicit ClickLabelAccessible(ClickLabel *label) : QAccessibleWidget(label) {}
    ClickLabel *label() const { return static_cast<ClickLabel *>(widget()); }

    QAccessible::Role role() const override
    {
        return label()->isClickable() ? QAccessible::Button : QAccessible::StaticText;
    }
    QString text(QAccessible::Text t) const override
    {
        const QString text = QAccessibleWidget::text(t);
        return t == QAccessible::Name && text.isEmpty() ? label()->text() : text;
    }
    QStringList actionNames() const override
    {
        return label()->isClickable() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString &name) override
    {
        if (label()->isClickable() && name == pressAction())
            emit label()->clicked();
    }
};

QAccessibleInterface *programWidgets(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("ColorPanel"))
        return new PanelAccessible(static_cast<ColorPanel *>(widget));
    if (className == QLatin1String("ClickLabel"))
        return new ClickLabelAccessible(static_cast<ClickLabel *>(widget));
    if (className == QLatin1String("ImageView"))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (className == QLatin1String("QChartView"))
        return new QAccessibleWidget(widget, QAccessible::Chart);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(programWidgets);
}
