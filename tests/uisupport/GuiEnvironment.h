#pragma once

#include <QApplication>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

// The one application object of a GoogleTest program of widgets: made before the first test,
// then set up as the program sets itself up, and destroyed after the last test.
class GuiEnvironment final : public ::testing::Environment {
public:
    explicit GuiEnvironment(std::string programName, std::function<void()> setUp = {})
        : name_(std::move(programName)), setUp_(std::move(setUp))
    {
    }

    void SetUp() override
    {
        argv_[0] = name_.data();
        app_ = std::make_unique<QApplication>(argc_, argv_);
        if (setUp_)
            setUp_();
    }
    void TearDown() override { app_.reset(); }

private:
    std::string name_;
    std::function<void()> setUp_;
    int argc_ = 1;
    char *argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> app_;
};
