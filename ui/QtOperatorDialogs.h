#pragma once

#include "OperatorDialogs.h"

#include <QtGlobal>

class QProgressBar;
class QWidget;

// What the transfer says to and asks of the operator, as Qt message boxes, the window's
// progress bar and its two file fields.
class QtOperatorDialogs final : public lumo::OperatorDialogs {
public:
    QtOperatorDialogs(QProgressBar &progress, QWidget &donorField, QWidget &targetField);
    Q_DISABLE_COPY_MOVE(QtOperatorDialogs)

    // A box without an icon, titled with the application's title, with an OK button.
    void showMessage(const std::string &text) override;
    // A box titled "Confirm" with the question icon: Yes is the default button, Esc answers
    // No, and closing the box from its title bar or with Alt+F4 answers Cancel.
    lumo::TModalResult confirm(const std::string &text) override;
    void setProgress(int position) override;
    void processMessages() override;
    void focusField(lumo::FileField field) override;

    // From now on a message closes by itself as soon as it is shown: the window has been
    // closed while a copy ran, and the program ends when the copy has.
    void setEnding();

private:
    QProgressBar &progress_;
    QWidget &donorField_;
    QWidget &targetField_;
    bool ending_ = false;
};
