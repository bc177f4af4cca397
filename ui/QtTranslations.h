#pragma once

class QLocale;
class QTranslator;

// Qt's own texts, those of the file dialog, of the standard buttons and of the fields' context
// menus, in the locale's language, from the translations that come with Qt, so that they read
// as the rest of the desktop does. The program's own texts are set in code and stay as they
// are. Gives the translator installed, which the application owns, or nullptr when Qt has no
// translation for any of the locale's languages.
QTranslator *installQtTranslations(const QLocale &locale);
