#include "TRadioButtonAccessible.h"

#include "TRadioButton.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// A profile choice as a radio button: its caption is its name, and it tells whether it is
// the chosen one of its parent and whether it is available.
class TRadioButtonAccessible : public QAccessibleWidget {
public:
    explicit TRadioButtonAccessible(TRadioButton *button) : QAccessibleWidget(button, QAccessible::RadioButton) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && button()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state(); // availability, focus, visibility
        state.checkable = true;
        state.checked = button()->isChecked();
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (button()->isEnabled())
            names << toggleAction();
        return names << QAccessibleWidget::actionNames();
    }

    // Choosing from assistive technology is the operator's click: an unavailable choice
    // and the chosen one stay as they are.
    void doAction(const QString &actionName) override
    {
        if (actionName != toggleAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        if (!button()->isEnabled())
            return;
        button()->setFocus();
        button()->click();
    }

private:
    TRadioButton *button() const { return static_cast<TRadioButton *>(widget()); }
};

QAccessibleInterface *radioButtonInterface(const QString &className, QObject *object)
{
    if (className != QLatin1String(TRadioButton::staticMetaObject.className()))
        return nullptr;
    auto *button = qobject_cast<TRadioButton *>(object);
    return button ? new TRadioButtonAccessible(button) : nullptr;
}

} // namespace

void installTRadioButtonAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(radioButtonInterface);
        return true;
    }();
    Q_UNUSED(installed)
}
