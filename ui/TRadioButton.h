#pragma once

#include <QRadioButton>

// A profile choice. The choices of one parent exclude each other, but unlike Qt's own
// exclusive group the program can also uncheck the chosen one, leaving none chosen.
//
// - setChosen(true) on an unchecked button checks it, unchecks the other TRadioButtons of
//   the same parent, then emits chosen() once; on a checked button it does nothing.
// - setChosen(false) unchecks the button and nothing else, and emits nothing.
// - Availability plays no part: the program can choose an unavailable button, which stays
//   greyed with its mark. The operator, by mouse or Space, can choose only an available
//   one, and choosing the checked one again does nothing.
// - Only the chosen button of a parent is a Tab stop. The arrow keys move the focus among
//   the parent's controls in tab order, wrapping at the ends and skipping unavailable ones.
// - Assistive technology reads it as a radio button, checked or not, available or not.
class TRadioButton : public QRadioButton {
    Q_OBJECT

public:
    TRadioButton(const QString &caption, QWidget *parent);

    void setChosen(bool checked);

signals:
    void chosen();

protected:
    void nextCheckState() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void moveFocusInParent(bool forward);
};
