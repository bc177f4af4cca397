#include "TableSwitch.h"

#include "BinaryFile.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace lumo {

namespace {

// The two switches are on when one bit is set; the input selector is on at any non-zero value.
enum class ItemKind { SwitchBit, InputSelector };

enum class Side { Donor, Target };

struct TableSwitchCheck {
    Side side;
    ItemKind kind;
    std::int64_t offset;
    std::string_view statement;
    std::string_view question;
};

constexpr std::uint8_t switchBit = 0x40;
constexpr std::uint8_t inputSelectorOn = 4;

constexpr std::int64_t tableSwitchFlag76 = 0xC422;
constexpr std::int64_t tableSwitch114 = 0x500D5;
constexpr std::int64_t tableSwitchInput114 = 0x5006A;

constexpr std::string_view askFlag = "Увімкнути у комплектації \"Признак переключения таблиц\"?";
constexpr std::string_view askInput = "Увімкнути у опціях \"Выбор входа переключателя таблиц T1/T2\"?";

constexpr std::array<TableSwitchCheck, 2> checks76{{
    {Side::Donor, ItemKind::SwitchBit, tableSwitchFlag76,
     "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці донора не увімкнено в "
     "комплектації \"Признак переключения таблиц\"!",
     askFlag},
    {Side::Target, ItemKind::SwitchBit, tableSwitchFlag76,
     "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці для запису у першому режимі "
     "не увімкнено в комплектації \"Признак переключения таблиц\"!",
     askFlag},
}};

// The switch's question names the 7.6 flag: that is the operator's wording for both families.
constexpr std::array<TableSwitchCheck, 4> checks114{{
    {Side::Donor, ItemKind::SwitchBit, tableSwitch114,
     "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці донора не увімкнено в "
     "комплектації \"Переключатель таблиц\"!",
     askFlag},
    {Side::Donor, ItemKind::InputSelector, tableSwitchInput114,
     "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці донора не увімкнено в опціях "
     "\"Выбор входа переключателя таблиц T1/T2\"!",
     askInput},
    {Side::Target, ItemKind::SwitchBit, tableSwitch114,
     "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці для запису у першому режимі "
     "не увімкнено в комплектації \"Переключатель таблиц\"!",
     askFlag},
    {Side::Target, ItemKind::InputSelector, tableSwitchInput114,
     "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці для запису у першому режимі "
     "не увімкнено в опціях \"Выбор входа переключателя таблиц T1/T2\"!",
     askInput},
}};

std::span<const TableSwitchCheck> checksFor(TFirmwareProfileId target)
{
    switch (target) {
    case TFirmwareProfileId::pfMikas76Mode2:
        return checks76;
    case TFirmwareProfileId::pfMikas114Mode2:
        return checks114;
    default:
        return {};
    }
}

bool isEnabled(ItemKind kind, std::uint8_t value)
{
    return kind == ItemKind::SwitchBit ? (value & switchBit) != 0 : value != 0;
}

// Leaves an enabled value as it is, so writing it again can never change a setting the
// operator or another program already made.
std::uint8_t enablingValue(ItemKind kind, std::uint8_t value)
{
    if (kind == ItemKind::SwitchBit)
        return static_cast<std::uint8_t>(value | switchBit);
    return value != 0 ? value : inputSelectorOn;
}

std::string messageOf(const TableSwitchCheck &check)
{
    std::string text(check.statement);
    text += "\n\r\r";
    text += check.question;
    return text;
}

void runCheck(const TableSwitchCheck &check, const std::string &fileName, OperatorDialogs &dialogs)
{
    BinaryFile reader = BinaryFile::open(fileName, FileAccess::ReadOnly, FileShare::Exclusive);
    reader.seek(check.offset);
    if (isEnabled(check.kind, reader.readByte())) {
        reader.close();
        return;
    }
    // The file stays held while the operator decides.
    const TModalResult answer = dialogs.confirm(messageOf(check));
    reader.close();
    if (answer != TModalResult::mrYes)
        return;

    // Opened for writing only now, so that a read-only file whose items are on passes the checks.
    // The byte is read again: the file was let go in between.
    BinaryFile writer = BinaryFile::open(fileName, FileAccess::ReadWrite, FileShare::Exclusive);
    writer.seek(check.offset);
    const std::uint8_t current = writer.readByte();
    writer.seek(check.offset);
    writer.writeByte(enablingValue(check.kind, current));
    writer.flush();
    writer.close();
}

} // namespace

void CheckTableSwitch(TFirmwareProfileId target, const std::string &donorFileName,
                      const std::string &targetFileName, OperatorDialogs &dialogs)
{
    for (const TableSwitchCheck &check : checksFor(target))
        runCheck(check, check.side == Side::Donor ? donorFileName : targetFileName, dialogs);
}

} // namespace lumo
