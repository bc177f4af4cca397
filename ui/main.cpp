#include "About.h"
#include "FileSizeSignal.h"
#include "LayoutFonts.h"
#include "LumoApplication.h"
#include "MainForm.h"
#include "QtTranslations.h"

#include <QLocale>

int main(int argc, char *argv[])
{
    lumo::ignoreFileSizeSignal();
    LumoApplication application(argc, argv);
    registerFontSubstitutes();
    // Where Qt has no translation for the operator's language, its texts stay English.
    installQtTranslations(QLocale::system());

    TForm1 Form1;
    // Created hidden, once, and shown by every About command until the program ends.
    auto *fmAbout = new TfmAbout(&Form1);
    Form1.setAboutDialog(fmAbout);

    Form1.show();
    return application.exec();
}
