#include "TRadioButton.h"

#include "TRadioButtonAccessible.h"

#include <QKeyEvent>

TRadioButton::TRadioButton(const QString &caption, QWidget *parent) : QRadioButton(caption, parent)
{
    installTRadioButtonAccessible();
    setAutoExclusive(false);
    setFocusPolicy(Qt::ClickFocus);
    connect(this, &QAbstractButton::toggled, this,
            [this](bool checked) { setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus); });
}

void TRadioButton::setChosen(bool checked)
{
    if (checked == isChecked())
        return;
    setChecked(checked);
    if (!checked)
        return;
    if (QWidget *parent = parentWidget()) {
        for (TRadioButton *sibling : parent->findChildren<TRadioButton *>(Qt::FindDirectChildrenOnly)) {
            if (sibling != this)
                sibling->setChecked(false);
        }
    }
    emit chosen();
}

void TRadioButton::nextCheckState()
{
    // A click never unchecks: choosing the chosen button again leaves everything as it is.
    if (!isChecked())
        setChosen(true);
}

void TRadioButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        moveFocusInParent(true);
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        moveFocusInParent(false);
        break;
    default:
        QRadioButton::keyPressEvent(event);
    }
}

void TRadioButton::moveFocusInParent(bool forward)
{
    const QWidget *parent = parentWidget();
    // The focus chain runs through the whole window in tab order, so following it from here
    // and keeping to this parent's own controls visits them in tab order, wrapping round.
    for (QWidget *w = forward ? nextInFocusChain() : previousInFocusChain(); w != this;
         w = forward ? w->nextInFocusChain() : w->previousInFocusChain()) {
        if (w->parentWidget() == parent && w->focusPolicy() != Qt::NoFocus && w->isEnabled() && w->isVisible()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}
