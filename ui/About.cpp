#include "About.h"

#include "LayoutFonts.h"

#include <QEvent>
#include <QFrame>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <functional>

static void loadResources()
{
    // See ImageList.cpp: the resources live in a static library.
    static const bool loaded = [] {
        Q_INIT_RESOURCE(lumo);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace {

// The dialog has no cancel button, so Escape must not close it the way QDialog would.
// The close box and Alt+F4 still reject it through its close event.
class EscapeIgnorer final : public QObject {
public:
    explicit EscapeIgnorer(QDialog *dialog) : QObject(dialog) { dialog->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cancel))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

// QDialog centres itself over its parent, and only the first time; this one stands in the
// middle of the screen every time it is shown. The show event comes before the window is
// mapped, so the move is never seen.
class ScreenCentring final : public QObject {
public:
    explicit ScreenCentring(QWidget *window) : QObject(window), window_(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window_ && event->type() == QEvent::Show) {
            QRect frame = window_->frameGeometry();
            frame.moveCenter(window_->screen()->geometry().center());
            window_->move(frame.topLeft());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *window_;
};

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QFont &font)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAutoFillBackground(true);
    return label;
}

// Scales a picture down to fit the box, keeping its proportions and cutting to whole pixels;
// a picture that already fits keeps its size.
QSize fitWithin(QSize picture, QSize box)
{
    if (picture.width() <= box.width() && picture.height() <= box.height())
        return picture;
    if (qint64(picture.width()) * box.height() > qint64(picture.height()) * box.width())
        return {box.width(), int(qint64(picture.height()) * box.width() / picture.width())};
    return {int(qint64(picture.width()) * box.height() / picture.height()), box.height()};
}

void showPicture(QLabel *box)
{
    // Named as JPEG so that Qt's own JPEG decoder reads it.
    QImageReader reader(QStringLiteral(":/pictures/about.jpg"), "jpeg");
    const QImage picture = reader.read();
    if (picture.isNull()) {
        // A picture that cannot be decoded leaves the dialog usable and says why.
        box->setWordWrap(true);
        box->setText(reader.errorString());
        return;
    }
    box->setPixmap(QPixmap::fromImage(picture.scaled(fitWithin(picture.size(), box->size()),
                                                     Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation)));
}

// Runs its work once, as the window is first shown, before the window is mapped.
class OnFirstShow final : public QObject {
public:
    OnFirstShow(QWidget *window, std::function<void()> work)
        : QObject(window), window_(window), work_(std::move(work))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window_ && event->type() == QEvent::Show && work_) {
            const std::function<void()> work = std::move(work_);
            work_ = nullptr;
            work();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *window_;
    std::function<void()> work_;
};

} // namespace

TfmAbout::TfmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    loadResources();
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(QStringLiteral("fmAbout"));
    setFixedSize(353, 247);
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11, false));

    // The dialog and its opaque labels are painted in the button-face colour.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);

    new EscapeIgnorer(this);
    new ScreenCentring(this);

    // Created back to front, so each control is drawn over the ones before it.
    auto *bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bevel->setLineWidth(1);
    bevel->setGeometry(8, 8, 337, 201);

    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(16, 16, 193, 137);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setAccessibleName(QStringLiteral("Малюнок Lumo"));
    image->setAccessibleDescription(
        QStringLiteral("Мікросхема блока керування двигуном на тлі гір і дороги"));

    auto *title = makeLabel(this, "Label1", QStringLiteral("Lumo v2.1"),
                            pixelFont(QStringLiteral("MS Sans Serif"), 24, true));
    title->move(216, 16);

    auto *purpose = makeLabel(
        this, "Label2",
        QStringLiteral("Програма для копіювання калібровок з однієї прошивки в іншу для ЕБК Микас"),
        pixelFont(QStringLiteral("Times New Roman"), 16, true));
    purpose->setWordWrap(true);
    purpose->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    purpose->setGeometry(16, 160, 321, 38);

    auto *contact = makeLabel(this, "Label3", QStringLiteral("lumo@lumo.test"),
                              pixelFont(QStringLiteral("MS Sans Serif"), 16, true));
    contact->move(216, 48);

    auto *licence = makeLabel(this, "Label4", QStringLiteral("Розповсюджуэться безкоштовно"),
                              pixelFont(QStringLiteral("MS Sans Serif"), 11, true));
    licence->setWordWrap(true);
    licence->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    licence->move(216, 88);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setIcon(QIcon(QStringLiteral(":/pictures/ok.png")));
    ok->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11, true));
    ok->setGeometry(136, 216, 81, 25);
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // Decoding the picture and measuring the texts in their fonts take longer than building
    // both windows, and many runs never show the dialog: both wait for its first show.
    new OnFirstShow(this, [image, title, contact, licence] {
        showPicture(image);
        title->adjustSize();
        contact->adjustSize();
        licence->resize(116, licence->heightForWidth(116));
    });
}
