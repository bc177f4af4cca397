#include "MainForm.h"

#include "FilenameEdit.h"
#include "ImageList.h"
#include "LayoutFonts.h"
#include "LumoApplication.h"
#include "IniFileError.h"
#include "QtOperatorDialogs.h"
#include "SettingsPath.h"
#include "StoredFieldText.h"
#include "StoredSettings.h"
#include "TBevel.h"
#include "TProgressBar.h"
#include "TRadioButton.h"
#include "TargetAvailability.h"

#include <QCloseEvent>
#include <QDialog>
#include <QGroupBox>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSessionManager>
#include <QStyle>
#include <QStyleFactory>
#include <QToolButton>

#include <algorithm>
#include <stdexcept>
#include <vector>

// One side of the window: its group box, its file field and the two lines between the
// bands of its profile choices.
struct ProfileBoxLayout {
    ChoiceSide side;
    QString name;
    QString title;
    int left;
    QString fieldName;
    QString fieldAccessibleName;
    QString browseAccessibleName;
    QString upperBevel; // between the Mikas 7.6 and the Mikas 10.3 choices
    QString lowerBevel; // between the Mikas 10.3 and the Mikas 10.3+/11.4 choices
};

namespace {

constexpr int clientWidth = 537;
constexpr int clientHeight = 247;

// A command's handler as a slot: an exception that leaves it goes to the default error box.
auto guarded(TForm1 *form, void (TForm1::*handler)())
{
    return [form, handler] { runHandler([&] { (form->*handler)(); }); };
}

// Keeps the copy command unavailable for as long as one runs, whichever way it ends.
class CommandLock {
public:
    CommandLock(QWidget &button, QAction &item) : button_(button), item_(item)
    {
        button_.setEnabled(false);
        item_.setEnabled(false);
    }
    ~CommandLock()
    {
        button_.setEnabled(true);
        item_.setEnabled(true);
    }
    Q_DISABLE_COPY_MOVE(CommandLock)

private:
    QWidget &button_;
    QAction &item_;
};

// The classic Windows style draws a group box's caption inside its frame line. One instance
// serves every window and lives as long as the application.
QStyle *classicStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QStringLiteral("Windows"));
        if (style)
            style->setParent(QCoreApplication::instance());
    }
    return style;
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Lumo v2.2"));
    setWindowIcon(ImageList1::programIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    createMenu();
    auto *client = new QWidget(this);
    // Every control's font; the menus keep the system's.
    client->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11, true));
    client->setFixedSize(clientWidth, clientHeight);
    setCentralWidget(client);
    // The window is exactly the menu bar over the client area, and cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    createToolBar(client);
    createDonorBox(client);
    createTargetBox(client);
    createProgressBar(client);
    setTabOrderOfBoxes();

    dialogs_ = std::make_unique<QtOperatorDialogs>(*ProgressBar1, *EditIn, *EditOut);
    transfer_ = std::make_unique<lumo::TransferCommand>(*dialogs_);
    connectHandlers();
}

TForm1::~TForm1() = default;

void TForm1::createMenu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    setMenuBar(MainMenu1);

    N1 = MainMenu1->addMenu(QStringLiteral("Файл"));
    N1->setObjectName(QStringLiteral("N1"));
    N2 = N1->addAction(ImageList1::icon(ImageList1::Copy), QStringLiteral("Копіювати калібровки"));
    N2->setObjectName(QStringLiteral("N2"));
    N5 = N1->addSeparator();
    N5->setObjectName(QStringLiteral("N5"));
    N6 = N1->addAction(ImageList1::icon(ImageList1::Exit), QStringLiteral("Вихід"));
    N6->setObjectName(QStringLiteral("N6"));

    N3 = MainMenu1->addMenu(QStringLiteral("Допомога"));
    N3->setObjectName(QStringLiteral("N3"));
    N4 = N3->addAction(ImageList1::icon(ImageList1::Information), QStringLiteral("Про програму"));
    N4->setObjectName(QStringLiteral("N4"));

    // A command on the menu bar itself, with no submenu.
    N7 = MainMenu1->addAction(QStringLiteral("Вихід"));
    N7->setObjectName(QStringLiteral("N7"));
}

void TForm1::createToolBar(QWidget *client)
{
    RzToolbar1 = new TBevel(TBevel::TopEdge | TBevel::BottomEdge, client);
    RzToolbar1->setObjectName(QStringLiteral("RzToolbar1"));
    RzToolbar1->setGeometry(0, 0, clientWidth, 29);

    const auto spacer = [this](const QString &name, int left) {
        auto *line = new QFrame(RzToolbar1);
        line->setObjectName(name);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(left, 2, 8, 25);
    };
    BtnSave = createToolButton(QStringLiteral("BtnSave"), QStringLiteral("Save"), ImageList1::Copy,
                               QStringLiteral("Копіювати калібровки"), 4);
    spacer(QStringLiteral("RzSpacer1"), 29);
    InformationBtn = createToolButton(QStringLiteral("InformationBtn"), QStringLiteral("Information"),
                                      ImageList1::Information, QStringLiteral("Про програму"), 37);
    spacer(QStringLiteral("RzSpacer2"), 62);
    ExitBtn = createToolButton(QStringLiteral("ExitBtn"), QStringLiteral("Exit"), ImageList1::Exit,
                               QStringLiteral("Вийти з програми"), 70);
}

QToolButton *TForm1::createToolButton(const QString &name, const QString &caption, int picture, const QString &tip,
                                      int left)
{
    auto *button = new QToolButton(RzToolbar1);
    button->setObjectName(name);
    button->setText(caption); // never shown: the toolbar shows pictures only
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIcon(ImageList1::icon(picture));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(left, 2, 25, 25);
    return button;
}

void TForm1::createDonorBox(QWidget *client)
{
    GroupBox1 = createProfileBox(client,
                                 {ChoiceSide::Donor, QStringLiteral("GroupBox1"), QStringLiteral("Прошивка донор "), 0,
                                  QStringLiteral("EditIn"), QStringLiteral("Файл прошивки донора"),
                                  QStringLiteral("Вибрати файл прошивки донора"), QStringLiteral("Bevel1"),
                                  QStringLiteral("Bevel5")},
                                 EditIn);
}

void TForm1::createTargetBox(QWidget *client)
{
    GroupBox2 = createProfileBox(client,
                                 {ChoiceSide::Target, QStringLiteral("GroupBox2"),
                                  QStringLiteral("Прошивка для запису "), 272, QStringLiteral("EditOut"),
                                  QStringLiteral("Файл прошивки для запису"),
                                  QStringLiteral("Вибрати файл прошивки для запису"), QStringLiteral("Bevel2"),
                                  QStringLiteral("Bevel4")},
                                 EditOut);
}

QGroupBox *TForm1::createProfileBox(QWidget *client, const ProfileBoxLayout &layout, TFilenameEdit *&field)
{
    auto *box = new QGroupBox(layout.title, client);
    box->setObjectName(layout.name);
    box->setGeometry(layout.left, 32, 265, 189);
    if (QStyle *style = classicStyle())
        box->setStyle(style);

    field = new TFilenameEdit(box);
    field->setObjectName(layout.fieldName);
    field->setGeometry(8, 16, 249, 22);
    field->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    field->setAccessibleName(layout.fieldAccessibleName);
    field->browseButton()->setAccessibleName(layout.browseAccessibleName);

    for (const ProfileChoice &choice : profileChoices()) {
        if (choice.side != layout.side)
            continue;
        const auto caption = lumo::firmwareProfile(choice.profile).caption;
        auto *button = new TRadioButton(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), box);
        button->setObjectName(QStringLiteral("RadioButton%1").arg(choice.number));
        button->setGeometry(8, choice.top, choice.width, 17);
        button->setEnabled(choice.availableAtStart);
        RadioButtons.at(static_cast<std::size_t>(choice.number - 1)) = button;
    }

    const auto bevel = [box](const QString &name, int top) {
        auto *line = new TBevel(TBevel::BottomEdge, box);
        line->setObjectName(name);
        line->setGeometry(8, top, 249, 9);
        // The line lies partly under the choice above it, which must still take every click.
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        line->lower();
    };
    bevel(layout.upperBevel, 68);
    bevel(layout.lowerBevel, 108);
    return box;
}

void TForm1::createProgressBar(QWidget *client)
{
    ProgressBar1 = new TProgressBar(client);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(0, 224, clientWidth, 23);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
}

void TForm1::setTabOrderOfBoxes()
{
    // Within each box: the file field, then the choices in their own order, not the screen's.
    std::vector<QWidget *> order;
    for (const auto &[side, field] : {std::pair{ChoiceSide::Donor, EditIn}, std::pair{ChoiceSide::Target, EditOut}}) {
        order.push_back(field);
        std::vector<ProfileChoice> choices;
        std::copy_if(profileChoices().begin(), profileChoices().end(), std::back_inserter(choices),
                     [side](const ProfileChoice &choice) { return choice.side == side; });
        std::sort(choices.begin(), choices.end(),
                  [](const ProfileChoice &a, const ProfileChoice &b) { return a.tabOrder < b.tabOrder; });
        for (const ProfileChoice &choice : choices)
            order.push_back(radioButton(choice.number));
    }
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TForm1::connectHandlers()
{
    connect(BtnSave, &QToolButton::clicked, this, guarded(this, &TForm1::BtnSaveClick));
    connect(N2, &QAction::triggered, this, guarded(this, &TForm1::BtnSaveClick));
    connect(InformationBtn, &QToolButton::clicked, this, guarded(this, &TForm1::InformationBtnClick));
    connect(N4, &QAction::triggered, this, guarded(this, &TForm1::InformationBtnClick));
    connect(ExitBtn, &QToolButton::clicked, this, guarded(this, &TForm1::ExitBtnClick));
    connect(N6, &QAction::triggered, this, guarded(this, &TForm1::ExitBtnClick));
    connect(N7, &QAction::triggered, this, guarded(this, &TForm1::ExitBtnClick));

    static constexpr std::array<void (TForm1::*)(), 16> choiceHandlers{
        &TForm1::RadioButton1Click,  &TForm1::RadioButton2Click,  &TForm1::RadioButton3Click,
        &TForm1::RadioButton4Click,  &TForm1::RadioButton5Click,  &TForm1::RadioButton6Click,
        &TForm1::RadioButton7Click,  &TForm1::RadioButton8Click,  &TForm1::RadioButton9Click,
        &TForm1::RadioButton10Click, &TForm1::RadioButton11Click, &TForm1::RadioButton12Click,
        &TForm1::RadioButton13Click, &TForm1::RadioButton14Click, &TForm1::RadioButton15Click,
        &TForm1::RadioButton16Click,
    };
    for (std::size_t i = 0; i < RadioButtons.size(); ++i)
        connect(RadioButtons[i], &TRadioButton::chosen, this, guarded(this, choiceHandlers[i]));

#if QT_CONFIG(sessionmanager)
    // The session asks before it ends, as a close request does.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        bool canClose = true;
        runHandler([&] { FormCloseQuery(canClose); });
        if (!canClose)
            manager.cancel();
    });
#endif
}

void TForm1::setAboutDialog(QDialog *dialog)
{
    aboutDialog_ = dialog;
}

TRadioButton *TForm1::radioButton(int number) const
{
    return RadioButtons.at(static_cast<std::size_t>(number - 1));
}

void TForm1::BtnSaveClick()
{
    const lumo::TransferRequest request = transferRequest();
    {
        const CommandLock lock(*BtnSave, *N2);
        runHandler([&] { transfer_->run(request); });
    }
    // The window was asked to close while the copy ran, and the close query said yes.
    if (closeGranted_)
        close();
}

void TForm1::InformationBtnClick()
{
    if (!aboutDialog_)
        throw std::logic_error("The About dialog has not been created");
    aboutDialog_->exec();
}

void TForm1::ExitBtnClick()
{
    close();
}

void TForm1::RadioButton1Click() { donorChosen(lumo::TFirmwareProfileId::pfMikas76Mode1); }
void TForm1::RadioButton2Click() { donorChosen(lumo::TFirmwareProfileId::pfMikas103Mode1); }
void TForm1::RadioButton3Click() { donorChosen(lumo::TFirmwareProfileId::pfMikas114Mode1); }
void TForm1::RadioButton4Click() { targetChosen(lumo::TFirmwareProfileId::pfMikas76Mode1); }
void TForm1::RadioButton5Click() { targetChosen(lumo::TFirmwareProfileId::pfMikas103Mode1); }
void TForm1::RadioButton6Click() { targetChosen(lumo::TFirmwareProfileId::pfMikas114Mode1); }
void TForm1::RadioButton7Click() { donorChosen(lumo::TFirmwareProfileId::pfMikas76Mode2); }
void TForm1::RadioButton8Click() { donorChosen(lumo::TFirmwareProfileId::pfMikas114Mode2); }
void TForm1::RadioButton9Click() { targetChosen(lumo::TFirmwareProfileId::pfMikas76Mode2); }
void TForm1::RadioButton10Click() { targetChosen(lumo::TFirmwareProfileId::pfMikas114Mode2); }
void TForm1::RadioButton11Click() { donorChosen(lumo::TFirmwareProfileId::pfMikas103Mode2); }
void TForm1::RadioButton12Click() { targetChosen(lumo::TFirmwareProfileId::pfMikas103Mode2); }
void TForm1::RadioButton13Click() { donorChosen(lumo::TFirmwareProfileId::pfMikas114Mode3); }
void TForm1::RadioButton14Click() { donorChosen(lumo::TFirmwareProfileId::pfMikas114Mode4); }
void TForm1::RadioButton15Click() { targetChosen(lumo::TFirmwareProfileId::pfMikas114Mode3); }
void TForm1::RadioButton16Click() { targetChosen(lumo::TFirmwareProfileId::pfMikas114Mode4); }

void TForm1::donorChosen(lumo::TFirmwareProfileId donor)
{
    Selection.chooseDonor(donor);
    for (const ProfileChoice &choice : profileChoices()) {
        if (choice.side != ChoiceSide::Target)
            continue;
        switch (lumo::targetAvailabilityAfterDonor(donor, choice.profile)) {
        case lumo::TTargetAvailability::On:
            radioButton(choice.number)->setEnabled(true);
            break;
        case lumo::TTargetAvailability::Off:
            radioButton(choice.number)->setEnabled(false);
            break;
        case lumo::TTargetAvailability::Same:
            break;
        }
    }
    // A new donor asks for the target again; Selection keeps the last target meanwhile.
    for (const ProfileChoice &choice : profileChoices()) {
        if (choice.side == ChoiceSide::Target)
            radioButton(choice.number)->setChosen(false);
    }
}

void TForm1::targetChosen(lumo::TFirmwareProfileId target)
{
    Selection.chooseTarget(target);
}

std::optional<lumo::TFirmwareProfileId> TForm1::checkedProfile(ChoiceSide side) const
{
    for (const ProfileChoice &choice : profileChoices()) {
        if (choice.side == side && radioButton(choice.number)->isChecked())
            return choice.profile;
    }
    return std::nullopt;
}

lumo::TransferRequest TForm1::transferRequest() const
{
    lumo::TransferRequest request;
    request.donorText = EditIn->text().toStdString();
    request.targetText = EditOut->text().toStdString();
    request.donorFileName = EditIn->FileName().toStdString();
    request.targetFileName = EditOut->FileName().toStdString();
    request.donorChoice = checkedProfile(ChoiceSide::Donor);
    request.targetChoice = checkedProfile(ChoiceSide::Target);
    request.selection = Selection;
    return request;
}

void TForm1::FormShow()
{
    const lumo::StoredSettings stored = lumo::loadSettings(lumo::settingsFilePath());
    EditIn->setText(storedFileIn_.restore(stored.fileIn));
    EditOut->setText(storedFileOut_.restore(stored.fileOut));
    // Each stored choice is checked as the operator would check it, in the order of the
    // numbers, so the selection rules rebuild Selection and the available targets; a
    // donor checked after its target unchecks that target again.
    for (int number = 1; number <= static_cast<int>(stored.checked.size()); ++number)
        radioButton(number)->setChosen(stored.checked.at(static_cast<std::size_t>(number - 1)));
}

void TForm1::FormCloseQuery(bool &CanClose)
{
    // CanClose stays as it came, even when the save fails: a settings file that cannot be
    // written must never keep the operator from closing the program.
    Q_UNUSED(CanClose)
    lumo::StoredSettings settings;
    settings.fileIn = storedFileIn_.store(EditIn->text());
    settings.fileOut = storedFileOut_.store(EditOut->text());
    for (int number = 1; number <= static_cast<int>(settings.checked.size()); ++number)
        settings.checked.at(static_cast<std::size_t>(number - 1)) = radioButton(number)->isChecked();
    try {
        lumo::saveSettings(lumo::settingsFilePath(), settings);
    } catch (const lumo::IniFileError &error) {
        // The message names the file in UTF-8, as the platform layer gives every path on
        // every system; Windows' 8-bit code page would spoil a Cyrillic folder's name.
        showErrorBox(QString::fromUtf8(error.what()));
    }
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    if (!shownBefore_) {
        shownBefore_ = true;
        runHandler([this] { FormShow(); });
        EditIn->setFocus();
    }
    centreOnScreen();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!closeGranted_) {
        bool canClose = true;
        runHandler([&] { FormCloseQuery(canClose); });
        closeGranted_ = canClose;
    }
    if (!closeGranted_) {
        event->ignore();
        return;
    }
    if (transfer_->isRunning()) {
        // The copy runs on inside this event's caller; the window closes when it returns,
        // and its result box must not hold the program open meanwhile.
        dialogs_->setEnding();
        event->ignore();
        return;
    }
    event->accept();
}

void TForm1::centreOnScreen()
{
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->geometry().center());
    move(frame.topLeft());
}
