#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About dialog: the program's name and version, a picture, what the program is for, a
// contact address and a note on its distribution. Layout only; it handles no events.
class TfmAbout : public QDialog {
    Q_OBJECT

public:
    explicit TfmAbout(QWidget *parent = nullptr);
};
