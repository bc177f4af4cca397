#include "ProfileChoices.h"

const std::array<ProfileChoice, 16> &profileChoices()
{
    using enum ChoiceSide;
    using enum lumo::TFirmwareProfileId;
    static constexpr std::array<ProfileChoice, 16> choices{{
        {1, Donor, pfMikas76Mode1, 40, 249, 1, true},
        {2, Donor, pfMikas103Mode1, 80, 249, 2, true},
        {3, Donor, pfMikas114Mode1, 120, 249, 3, true},
        {4, Target, pfMikas76Mode1, 40, 249, 1, false},
        {5, Target, pfMikas103Mode1, 80, 241, 2, false},
        {6, Target, pfMikas114Mode1, 120, 249, 3, false},
        {7, Donor, pfMikas76Mode2, 56, 249, 4, true},
        {8, Donor, pfMikas114Mode2, 136, 249, 5, true},
        {9, Target, pfMikas76Mode2, 56, 201, 4, false},
        {10, Target, pfMikas114Mode2, 136, 249, 5, false},
        {11, Donor, pfMikas103Mode2, 96, 249, 6, true},
        {12, Target, pfMikas103Mode2, 96, 249, 6, false},
        // Modes 3 and 4 are offered as donors only when the remembered choices bring them back.
        {13, Donor, pfMikas114Mode3, 152, 233, 7, false},
        {14, Donor, pfMikas114Mode4, 168, 233, 8, false},
        {15, Target, pfMikas114Mode3, 152, 249, 7, false},
        {16, Target, pfMikas114Mode4, 168, 233, 8, false},
    }};
    return choices;
}

const ProfileChoice &profileChoice(int number)
{
    return profileChoices().at(static_cast<std::size_t>(number - 1));
}
