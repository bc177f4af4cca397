#include "QtOperatorDialogs.h"

#include "LumoApplication.h"
#include "ModalBox.h"

#include <QCoreApplication>
#include <QProgressBar>

QtOperatorDialogs::QtOperatorDialogs(QProgressBar &progress, QWidget &donorField, QWidget &targetField)
    : progress_(progress), donorField_(donorField), targetField_(targetField)
{
}

void QtOperatorDialogs::showMessage(const std::string &text)
{
    if (ending_)
        return;
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), ModalBox::operatorText(QString::fromStdString(text)),
                    QMessageBox::Ok);
    ModalBox::exec(box);
}

lumo::TModalResult QtOperatorDialogs::confirm(const std::string &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                    ModalBox::operatorText(QString::fromStdString(text)), QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    const ModalBox::Outcome outcome = ModalBox::exec(box);
    if (outcome.closedFromTitleBar)
        return lumo::TModalResult::mrCancel;
    return outcome.button == QMessageBox::Yes ? lumo::TModalResult::mrYes : lumo::TModalResult::mrNo;
}

void QtOperatorDialogs::setProgress(int position)
{
    progress_.setValue(position);
}

void QtOperatorDialogs::processMessages()
{
    QCoreApplication::processEvents();
}

void QtOperatorDialogs::focusField(lumo::FileField field)
{
    (field == lumo::FileField::Donor ? donorField_ : targetField_).setFocus();
}

void QtOperatorDialogs::setEnding()
{
    ending_ = true;
}
