#pragma once

#include "ModalBox.h"

#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

// Stands in for the operator at every message box while it lives. Each box is recorded as it
// was built, and answered with the next scripted outcome; once the script has run out, with
// its default button, or OK.
class ScriptedBoxes {
public:
    struct Shown {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QMessageBox::StandardButton escapeButton;
    };

    explicit ScriptedBoxes(QList<ModalBox::Outcome> script = {}) : script_(std::move(script))
    {
        ModalBox::setAnswerer([this](QMessageBox &box) { return answer(box); });
    }
    ~ScriptedBoxes() { ModalBox::setAnswerer({}); }
    ScriptedBoxes(const ScriptedBoxes &) = delete;
    ScriptedBoxes &operator=(const ScriptedBoxes &) = delete;

    const QList<Shown> &shown() const { return shown_; }

    QStringList texts() const
    {
        QStringList texts;
        for (const Shown &box : shown_)
            texts << box.text;
        return texts;
    }

private:
    ModalBox::Outcome answer(QMessageBox &box)
    {
        shown_.append({box.windowTitle(), box.text(), box.icon(), box.standardButtons(),
                       box.standardButton(box.defaultButton()), box.standardButton(box.escapeButton())});
        if (!script_.isEmpty())
            return script_.takeFirst();
        const QMessageBox::StandardButton fallback = box.standardButton(box.defaultButton());
        return {fallback == QMessageBox::NoButton ? QMessageBox::Ok : fallback, false};
    }

    QList<ModalBox::Outcome> script_;
    QList<Shown> shown_;
};
