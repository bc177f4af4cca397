#pragma once

#include "FirmwareProfile.h"

#include <array>

enum class ChoiceSide { Donor, Target };

// One of the sixteen profile choices of the main window, RadioButton<number>.
struct ProfileChoice {
    int number;
    ChoiceSide side;
    lumo::TFirmwareProfileId profile;
    int top;      // within its group box; every choice stands at left 8 and is 17 high
    int width;
    int tabOrder; // within its group box, where the file field is 0
    bool availableAtStart;
};

// The sixteen choices in the order of their numbers, which is neither the order on screen
// nor the tab order.
const std::array<ProfileChoice, 16> &profileChoices();

const ProfileChoice &profileChoice(int number);
