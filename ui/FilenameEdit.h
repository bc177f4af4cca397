#pragma once

#include <QLineEdit>

class QFileDialog;
class QFileInfo;
class QToolButton;

// A file-name field: a line edit with a browse button at its right end. The button, or
// Insert pressed without Shift, Ctrl or Alt, opens a file dialog; the file picked there
// becomes the text, in double quotes when its path holds a blank. One file dropped onto the
// field from a file manager becomes the text in the same way.
class TFilenameEdit : public QLineEdit {
    Q_OBJECT

public:
    // The dialog's file types, as pairs of description and pattern between vertical bars.
    static const QString Filter;

    explicit TFilenameEdit(QWidget *parent);

    QString Text() const { return text(); }

    // The file that the text names: the whole text when a file of that name exists, else its
    // first word taken the way a command line is split, without the quotes.
    QString FileName() const;

    QToolButton *browseButton() const { return button_; }

    // The dialog starts where FileName() points when that is a valid file name, and where the
    // previous browse of this field left it otherwise; it opens on the file type last picked.
    void browse();

protected:
    // Shows the dialog, which is ready to run, and tells whether a file was picked.
    virtual bool runBrowseDialog(QFileDialog &dialog);

    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void takeStartFrom(const QString &path);
    // The file becomes the text, and the next browse starts at it.
    void takeFile(const QFileInfo &file);
    void placeButton();

    QToolButton *button_;
    // What the dialog starts with, kept from one browse of this field to the next.
    QString startFolder_;
    QString presetName_;
    int filterIndex_ = 0;
};
