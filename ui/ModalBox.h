#pragma once

#include <QMessageBox>

#include <functional>

// Every message box of the program is shown through here, so that tests can stand in for the
// operator without a nested event loop.
namespace ModalBox {

// How the operator left a box: the button pressed, and whether the box was closed from its
// title bar or with Alt+F4 instead, which QMessageBox alone reports as its escape button.
struct Outcome {
    QMessageBox::StandardButton button = QMessageBox::NoButton;
    bool closedFromTitleBar = false;
};

// While set, a box is built in full and handed to the answerer instead of being shown.
using Answerer = std::function<Outcome(QMessageBox &box)>;
void setAnswerer(Answerer answerer);

Outcome exec(QMessageBox &box);

// A message for display: the system writes each line break as LF CR, which shows here as one.
QString operatorText(QString text);

} // namespace ModalBox
