#include "TransferCommand.h"

#include "RegionCopy.h"
#include "TableSwitch.h"

#include <algorithm>

namespace lumo {

namespace {

const std::string lineBreak = "\n\r";
const std::string hyphenLine(37, '-');
const std::string equalsLine(37, '=');

bool isBlank(const std::string &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// Holds the running flag for one run, whichever way the run ends.
class RunningFlag {
public:
    explicit RunningFlag(bool &flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    RunningFlag(const RunningFlag &) = delete;
    RunningFlag &operator=(const RunningFlag &) = delete;

private:
    bool &flag_;
};

} // namespace

TransferCommand::TransferCommand(OperatorDialogs &dialogs) : dialogs_(dialogs) {}

TransferCommand::Outcome TransferCommand::run(const TransferRequest &request)
{
    // The copy pumps events after every byte, so the command can be given again meanwhile.
    if (running_)
        return Outcome::Refused;
    const RunningFlag runningFlag(running_);
    // Events handled during the copy may change what the caller holds; this run keeps its own.
    const TransferRequest inputs = request;

    if (isBlank(inputs.donorText)) {
        dialogs_.showMessage("Вкажіть файл прошивки донора!");
        dialogs_.focusField(FileField::Donor);
        return Outcome::Stopped;
    }
    if (!inputs.donorChoice) {
        dialogs_.showMessage("Вкажіть тип прошивки донора!");
        return Outcome::Stopped;
    }
    if (isBlank(inputs.targetText)) {
        dialogs_.showMessage("Вкажіть файл прошивки для запису!");
        dialogs_.focusField(FileField::Target);
        return Outcome::Stopped;
    }
    if (!inputs.targetChoice) {
        dialogs_.showMessage("Вкажіть тип прошивки для запису!");
        return Outcome::Stopped;
    }

    if (needsTableSwitchCheck(*inputs.targetChoice))
        CheckTableSwitch(*inputs.targetChoice, inputs.donorFileName, inputs.targetFileName, dialogs_);

    // Only an explicit Yes overwrites the target; a box closed by mistake is no consent.
    if (dialogs_.confirm(summary(inputs)) != TModalResult::mrYes)
        return Outcome::Stopped;

    const TTransferSelection &selection = inputs.selection;
    BackupAndCopyRegion({inputs.donorFileName, inputs.targetFileName, selection.DonorFirst, selection.DonorLast,
                         selection.TargetFirst, selection.TargetLast},
                        dialogs_);
    return Outcome::Transferred;
}

std::string TransferCommand::summary(const TransferRequest &request)
{
    const TTransferSelection &selection = request.selection;
    return "Прошивка донор:" + lineBreak + hyphenLine + lineBreak + "Файл: " + request.donorText + lineBreak +
           "Тип ЕБК (№ режиму): " + selection.DonorCaption + lineBreak + equalsLine + lineBreak + lineBreak +
           "Прошивка для запису:" + lineBreak + hyphenLine + lineBreak + "Файл: " + request.targetText +
           lineBreak + "Тип ЕБК (№ режиму): " + selection.TargetCaption + lineBreak + equalsLine + lineBreak +
           lineBreak + "Ви дійсно бажаєте провести копіювання?";
}

} // namespace lumo
