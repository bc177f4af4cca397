#pragma once

#include "FilenameEdit.h"
#include "MainForm.h"
#include "ProfileChoices.h"
#include "TRadioButton.h"

#include <QFile>
#include <QList>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <optional>

// The ways the window's tests reach into it and the files they hand it.

inline TFilenameEdit *editIn(const TForm1 &form) { return form.findChild<TFilenameEdit *>(QStringLiteral("EditIn")); }
inline TFilenameEdit *editOut(const TForm1 &form) { return form.findChild<TFilenameEdit *>(QStringLiteral("EditOut")); }
inline QToolButton *btnSave(const TForm1 &form) { return form.findChild<QToolButton *>(QStringLiteral("BtnSave")); }

// The first show of the window also loads the settings.
inline bool showAndActivate(TForm1 &form)
{
    form.show();
    return QTest::qWaitForWindowActive(&form);
}

// The operator's click lands on the choice's circle.
inline void choose(TRadioButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

inline QList<int> checkedChoices(const TForm1 &form)
{
    QList<int> checked;
    for (int number = 1; number <= 16; ++number) {
        if (form.radioButton(number)->isChecked())
            checked << number;
    }
    return checked;
}

// The numbers of the choices that the operator can click, of both sides or of one.
inline QList<int> availableChoices(const TForm1 &form, std::optional<ChoiceSide> side = std::nullopt)
{
    QList<int> available;
    for (int number = 1; number <= 16; ++number) {
        if ((!side || profileChoice(number).side == *side) && form.radioButton(number)->isEnabled())
            available << number;
    }
    return available;
}

// Runs the action once, between two bytes of the next copy: from the copy's own event pump,
// once the copy has moved the progress bar off 0. The action is given the progress then.
inline void whileTheCopyRuns(TForm1 &form, std::function<void(int progress)> action)
{
    auto *progress = form.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
    QObject::connect(
        progress, &QProgressBar::valueChanged, &form,
        [progress, action = std::move(action)](int) { action(progress->value()); },
        static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
}

// An image whose bytes differ from their neighbours, so a byte at the wrong offset shows.
inline QByteArray image(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + seed) % 251);
    return bytes;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
