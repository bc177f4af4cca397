#include "About.h"
#include "LayoutFonts.h"
#include "LumoApplication.h"
#include "MainForm.h"

int main(int argc, char *argv[])
{
    LumoApplication application(argc, argv);
    registerFontSubstitutes();

    TForm1 Form1;
    // Created hidden, once, and shown by every About command until the program ends.
    auto *fmAbout = new TfmAbout(&Form1);
    Form1.setAboutDialog(fmAbout);

    Form1.show();
    return application.exec();
}
