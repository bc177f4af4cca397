#pragma once

#include "FirmwareProfile.h"
#include "OperatorDialogs.h"
#include "TransferSelection.h"

#include <optional>
#include <string>

namespace lumo {

// The window's inputs as they stand when the copy command is given.
struct TransferRequest {
    std::string donorText;
    std::string targetText;
    std::string donorFileName;
    std::string targetFileName;
    std::optional<TFirmwareProfileId> donorChoice;  // the checked donor choice, if any
    std::optional<TFirmwareProfileId> targetChoice; // the checked target choice, if any
    TTransferSelection selection;
};

// The copy command: checks the inputs, runs the table-switch checks where the target needs
// them, asks for confirmation with a summary and copies. Only one transfer runs at a time.
class TransferCommand {
public:
    explicit TransferCommand(OperatorDialogs &dialogs);

    enum class Outcome { Refused, Stopped, Transferred };

    // Refused: a transfer is already running, and nothing was done. Stopped: an input was
    // missing or the operator declined. Transferred: the copy ran and reported its result.
    // Exceptions of the table-switch checks and of the backup pass through.
    Outcome run(const TransferRequest &request);

    bool isRunning() const { return running_; }

    static std::string summary(const TransferRequest &request);

private:
    OperatorDialogs &dialogs_;
    bool running_ = false;
};

} // namespace lumo
