#pragma once

#include <QString>

#include <string>

// A file field's text as lumo.ini keeps it: bytes in the system's 8-bit code page. Bytes that
// the code page cannot decode are shown as well as they can be, and written back unchanged
// for as long as the field still shows the text that they gave, so a path survives a run
// that did not touch it byte for byte.
class StoredFieldText {
public:
    // The text to show for the stored bytes, cut to its first storedTextMaxCharacters
    // characters; remembers which bytes gave it.
    QString restore(const std::string &stored);

    // The bytes to store for the field's text: those that restore() was given, cut as the
    // text was, while the text is still the one restore() gave; otherwise the text in the
    // code page.
    std::string store(const QString &text) const;

private:
    bool restored_ = false;
    QString shown_;
    std::string bytes_;
};
