#pragma once

#include "OperatorDialogs.h"

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace lumo::test {

// One call made to the operator dialogs.
struct DialogCall {
    enum class Kind { Message, Confirm, Progress, Pump, Focus };

    Kind kind;
    std::string text;                   // Message, Confirm
    int position = 0;                   // Progress
    FileField field = FileField::Donor; // Focus

    bool operator==(const DialogCall &) const = default;
};

DialogCall messageCall(const std::string &text);
DialogCall confirmCall(const std::string &text);
DialogCall progressCall(int position);
DialogCall pumpCall();
DialogCall focusCall(FileField field);

void PrintTo(const DialogCall &call, std::ostream *out);

// Records every call in the order made and answers confirmations from a script. A
// confirmation with no answer left fails the test, and so do answers never asked for.
class ScriptedDialogs : public OperatorDialogs {
public:
    explicit ScriptedDialogs(std::vector<TModalResult> answers = {});
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    void showMessage(const std::string &text) override;
    TModalResult confirm(const std::string &text) override;
    void setProgress(int position) override;
    void processMessages() override;
    void focusField(FileField field) override;

    const std::vector<DialogCall> &calls() const { return calls_; }
    std::vector<std::string> messages() const;
    std::vector<std::string> confirmations() const;
    int pumpCount() const { return pumps_; }

    // Runs inside every processMessages, as a handler between two bytes of a copy would.
    std::function<void()> onProcessMessages;

private:
    std::vector<DialogCall> calls_;
    std::deque<TModalResult> answers_;
    int pumps_ = 0;
};

} // namespace lumo::test
