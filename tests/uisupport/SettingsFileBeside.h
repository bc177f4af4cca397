#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>

// The main window loads lumo.ini from beside the program file when it is first shown and
// saves it there at every close, so a test of the window finds and leaves the file beside
// the test program. Each test starts with none there, as on a first run, and removes what
// it wrote, so that no test sees another's choices.
inline QString settingsFileBesideProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("lumo.ini"));
}

// True when no settings file is left beside the program.
inline bool removeSettingsFile()
{
    QFile::remove(settingsFileBesideProgram());
    return !QFile::exists(settingsFileBesideProgram());
}
