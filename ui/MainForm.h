#pragma once

#include "ProfileChoices.h"
#include "StoredFieldText.h"
#include "TransferCommand.h"
#include "TransferSelection.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class QGroupBox;
class QMenu;
class QMenuBar;
class QProgressBar;
class QToolButton;
class QtOperatorDialogs;
class TBevel;
class TFilenameEdit;
class TRadioButton;
struct ProfileBoxLayout;

// The program's only working window: the donor and target file fields, the sixteen profile
// choices, the toolbar, the menu and the progress bar, and the handlers of its three
// commands (copy, About, exit) and of the profile choices.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;
    Q_DISABLE_COPY_MOVE(TForm1)

    // The dialog that the About command shows modally; it lives as long as the window.
    void setAboutDialog(QDialog *dialog);

    TRadioButton *radioButton(int number) const;
    const lumo::TTransferSelection &transferSelection() const { return Selection; }

    // The copy command, from BtnSave and N2. BtnSave and N2 are unavailable while it runs.
    void BtnSaveClick();
    // The About command, from InformationBtn and N4.
    void InformationBtnClick();
    // The exit command, from ExitBtn, N6 and N7: a close request like the title bar's close box.
    void ExitBtnClick();

    // Each runs once whenever its choice becomes checked, by the operator or by the program.
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void RadioButton5Click();
    void RadioButton6Click();
    void RadioButton7Click();
    void RadioButton8Click();
    void RadioButton9Click();
    void RadioButton10Click();
    void RadioButton11Click();
    void RadioButton12Click();
    void RadioButton13Click();
    void RadioButton14Click();
    void RadioButton15Click();
    void RadioButton16Click();

    // Runs once, when the window is first shown, before it is centred and takes the focus:
    // restores the file fields and the choices from lumo.ini beside the program file.
    void FormShow();
    // Runs at every request to close the window, and when the session asks before it ends:
    // saves the file fields and the choices to lumo.ini. The window stays open when CanClose
    // comes back false.
    void FormCloseQuery(bool &CanClose);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenu();
    void createToolBar(QWidget *client);
    QToolButton *createToolButton(const QString &name, const QString &caption, int picture, const QString &tip,
                                  int left);
    void createDonorBox(QWidget *client);
    void createTargetBox(QWidget *client);
    QGroupBox *createProfileBox(QWidget *client, const ProfileBoxLayout &layout, TFilenameEdit *&field);
    void createProgressBar(QWidget *client);
    void setTabOrderOfBoxes();
    void connectHandlers();

    void donorChosen(lumo::TFirmwareProfileId donor);
    void targetChosen(lumo::TFirmwareProfileId target);
    std::optional<lumo::TFirmwareProfileId> checkedProfile(ChoiceSide side) const;
    lumo::TransferRequest transferRequest() const;
    void centreOnScreen();

    QMenuBar *MainMenu1 = nullptr;
    QMenu *N1 = nullptr;
    QAction *N2 = nullptr;
    QAction *N5 = nullptr;
    QAction *N6 = nullptr;
    QMenu *N3 = nullptr;
    QAction *N4 = nullptr;
    QAction *N7 = nullptr;
    TBevel *RzToolbar1 = nullptr;
    QToolButton *BtnSave = nullptr;
    QToolButton *InformationBtn = nullptr;
    QToolButton *ExitBtn = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    TFilenameEdit *EditIn = nullptr;
    TFilenameEdit *EditOut = nullptr;
    std::array<TRadioButton *, 16> RadioButtons{}; // RadioButton1 .. RadioButton16
    QProgressBar *ProgressBar1 = nullptr;

    // The current donor and target profiles; written only by the choices' handlers.
    lumo::TTransferSelection Selection;
    std::unique_ptr<QtOperatorDialogs> dialogs_;
    std::unique_ptr<lumo::TransferCommand> transfer_;
    QPointer<QDialog> aboutDialog_;
    // What lumo.ini held for EditIn and EditOut, to be written back as it was while unchanged.
    StoredFieldText storedFileIn_;
    StoredFieldText storedFileOut_;
    bool shownBefore_ = false;
    // The close query has said yes; a close that waited for a running copy happens after it.
    bool closeGranted_ = false;
};
