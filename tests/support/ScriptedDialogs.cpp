#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace lumo::test {

DialogCall messageCall(const std::string &text)
{
    return {DialogCall::Kind::Message, text, 0, FileField::Donor};
}

DialogCall confirmCall(const std::string &text)
{
    return {DialogCall::Kind::Confirm, text, 0, FileField::Donor};
}

DialogCall progressCall(int position)
{
    return {DialogCall::Kind::Progress, {}, position, FileField::Donor};
}

DialogCall pumpCall()
{
    return {DialogCall::Kind::Pump, {}, 0, FileField::Donor};
}

DialogCall focusCall(FileField field)
{
    return {DialogCall::Kind::Focus, {}, 0, field};
}

void PrintTo(const DialogCall &call, std::ostream *out)
{
    switch (call.kind) {
    case DialogCall::Kind::Message:
        *out << "showMessage(\"" << call.text << "\")";
        break;
    case DialogCall::Kind::Confirm:
        *out << "confirm(\"" << call.text << "\")";
        break;
    case DialogCall::Kind::Progress:
        *out << "setProgress(" << call.position << ")";
        break;
    case DialogCall::Kind::Pump:
        *out << "processMessages()";
        break;
    case DialogCall::Kind::Focus:
        *out << "focusField(" << (call.field == FileField::Donor ? "Donor" : "Target") << ")";
        break;
    }
}

ScriptedDialogs::ScriptedDialogs(std::vector<TModalResult> answers) : answers_(answers.begin(), answers.end()) {}

ScriptedDialogs::~ScriptedDialogs()
{
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) never asked for";
}

void ScriptedDialogs::showMessage(const std::string &text)
{
    calls_.push_back(messageCall(text));
}

TModalResult ScriptedDialogs::confirm(const std::string &text)
{
    calls_.push_back(confirmCall(text));
    if (answers_.empty()) {
        ADD_FAILURE() << "confirmation with no scripted answer: " << text;
        return TModalResult::mrNo;
    }
    const TModalResult answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void ScriptedDialogs::setProgress(int position)
{
    calls_.push_back(progressCall(position));
}

void ScriptedDialogs::processMessages()
{
    calls_.push_back(pumpCall());
    ++pumps_;
    if (onProcessMessages)
        onProcessMessages();
}

void ScriptedDialogs::focusField(FileField field)
{
    calls_.push_back(focusCall(field));
}

std::vector<std::string> ScriptedDialogs::messages() const
{
    std::vector<std::string> texts;
    for (const DialogCall &call : calls_)
        if (call.kind == DialogCall::Kind::Message)
            texts.push_back(call.text);
    return texts;
}

std::vector<std::string> ScriptedDialogs::confirmations() const
{
    std::vector<std::string> texts;
    for (const DialogCall &call : calls_)
        if (call.kind == DialogCall::Kind::Confirm)
            texts.push_back(call.text);
    return texts;
}


} // namespace lumo::test
