#include "TableSwitch.h"

#include "BinaryFile.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lumo {

namespace {

// The two switches are on when one bit is set; the input selector is on at any non-zero value.
enum class ItemKind { SwitchBit, InputSelector };

enum class Side { Donor, Target };

// One configuration byte, with the words by which the messages name it.
struct ConfigItem {
    ItemKind kind;
    std::int64_t offset;
    std::string_view settingsGroup; // where the operator finds it: "комплектації" or "опціях"
    std::string_view name;
    std::string_view askedName; // the name in the question
};

struct TableSwitchCheck {
    Side side;
    ConfigItem item;
};

constexpr std::uint8_t switchBit = 0x40;
constexpr std::uint8_t inputSelectorOn = 4;

constexpr std::string_view flagName = "Признак переключения таблиц";
constexpr std::string_view inputName = "Выбор входа переключателя таблиц T1/T2";

constexpr ConfigItem tableSwitchFlag76{ItemKind::SwitchBit, 0xC422, "комплектації", flagName, flagName};
// The switch's question names the 7.6 flag: that is the operator's wording for both families.
constexpr ConfigItem tableSwitch114{ItemKind::SwitchBit, 0x500D5, "комплектації", "Переключатель таблиц", flagName};
constexpr ConfigItem tableSwitchInput114{ItemKind::InputSelector, 0x5006A, "опціях", inputName, inputName};

constexpr std::array<TableSwitchCheck, 2> checks76{{
    {Side::Donor, tableSwitchFlag76},
    {Side::Target, tableSwitchFlag76},
}};

constexpr std::array<TableSwitchCheck, 4> checks114{{
    {Side::Donor, tableSwitch114},
    {Side::Donor, tableSwitchInput114},
    {Side::Target, tableSwitch114},
    {Side::Target, tableSwitchInput114},
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

// Built in place: for a literal added to a temporary string, GCC 12 gives a false -Wrestrict
// warning in optimised builds, and the cross build makes warnings errors.
std::string quoted(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + 2);
    result += '"';
    result += text;
    result += '"';
    return result;
}

// The statement, an empty line (LF CR CR) and the question.
std::string messageOf(const TableSwitchCheck &check)
{
    const ConfigItem &item = check.item;
    const std::string_view file = check.side == Side::Donor ? "донора" : "для запису у першому режимі";
    return "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці " + std::string(file) +
           " не увімкнено в " + std::string(item.settingsGroup) + " " + quoted(item.name) + "!\n\r\r" +
           "Увімкнути у " + std::string(item.settingsGroup) + " " + quoted(item.askedName) + "?";
}

void runCheck(const TableSwitchCheck &check, const std::string &fileName, OperatorDialogs &dialogs)
{
    BinaryFile reader = BinaryFile::open(fileName, FileAccess::ReadOnly, FileShare::Exclusive);
    reader.seek(check.item.offset);
    if (isEnabled(check.item.kind, reader.readByte())) {
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
    writer.seek(check.item.offset);
    const std::uint8_t current = writer.readByte();
    writer.seek(check.item.offset);
    writer.writeByte(enablingValue(check.item.kind, current));
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
