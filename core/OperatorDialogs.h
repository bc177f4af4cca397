#pragma once

#include <string>

namespace lumo {

// The answer of a Yes/No confirmation: Cancel when the box was closed from its title bar.
enum class TModalResult { mrYes, mrNo, mrCancel };

enum class FileField { Donor, Target };

// Everything the transfer says to or asks of the operator. A line break inside a text is
// line feed then carriage return ("\n\r").
class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;

    virtual void showMessage(const std::string &text) = 0;
    virtual TModalResult confirm(const std::string &text) = 0;
    virtual void setProgress(int position) = 0; // 0..100
    virtual void processMessages() = 0;         // handle pending window events, then return
    virtual void focusField(FileField field) = 0;
};

} // namespace lumo
