#include "FilenameEdit.h"

#include "FileName.h"
#include "ImageList.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyle>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <optional>

const QString TFilenameEdit::Filter = QStringLiteral("Файои прошивок (*.bin)|*.bin|Всi файли (*.*)|*.*");

namespace {

constexpr int browseButtonWidth = 21;

bool isValidFileName(const QString &path)
{
    static const QString forbidden = QStringLiteral("<>\"[]|");
    return !path.isEmpty() && std::none_of(path.begin(), path.end(), [](QChar c) { return forbidden.contains(c); });
}

// Qt's name filters for a Filter string, one per type, to be shown without their details.
QStringList nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // "*.*" means every file, also one without an extension, as it does on Windows;
        // Qt would take it literally and list only names with a full stop.
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        std::replace(patterns.begin(), patterns.end(), QStringLiteral("*.*"), QStringLiteral("*"));
        // Qt matches the patterns in the last parentheses; the dialog shows only the text
        // before them, which is the description as it stands.
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

// The index of the type that the dialog ended on. Qt reports a type by the whole filter or,
// when its details are hidden, by the text it shows, depending on its version.
int pickedType(const QStringList &filters, const QString &selected)
{
    for (qsizetype i = 0; i < filters.size(); ++i) {
        if (filters[i] == selected || filters[i].startsWith(selected + QStringLiteral(" (")))
            return static_cast<int>(i);
    }
    return 0;
}

// The one local file, not a folder, that a drag carries, if it carries exactly that. A file
// manager offers it as a copy too; one that may only be moved is refused, because the source
// would remove the file once the drop is done.
std::optional<QFileInfo> droppedFile(const QDropEvent &event)
{
    const QList<QUrl> urls = event.mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile() || !(event.possibleActions() & Qt::CopyAction))
        return std::nullopt;
    const QFileInfo file(urls.first().toLocalFile());
    if (file.isDir())
        return std::nullopt;
    return file;
}

// The file stays where it is, whatever the source proposed.
void acceptAsCopy(QDropEvent &event)
{
    event.setDropAction(Qt::CopyAction);
    event.accept();
}

// Accepts a drag of one file; the rest gets the cursor that tells the operator no drop is taken.
void acceptFileDrag(QDragMoveEvent *event)
{
    if (droppedFile(*event))
        acceptAsCopy(*event);
    else
        event->ignore();
}

} // namespace

TFilenameEdit::TFilenameEdit(QWidget *parent) : QLineEdit(parent), button_(new QToolButton(this))
{
    button_->setObjectName(QStringLiteral("BrowseButton"));
    button_->setIcon(ImageList1::folderIcon());
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setCursor(Qt::ArrowCursor);
    setTextMargins(0, 0, browseButtonWidth, 0);
    connect(button_, &QToolButton::clicked, this, &TFilenameEdit::browse);
}

QString TFilenameEdit::FileName() const
{
    return QString::fromStdString(lumo::FileName(text().toStdString()));
}

void TFilenameEdit::browse()
{
    takeStartFrom(FileName());

    QFileDialog dialog(this, QStringLiteral("Список"));
    // Qt's own dialog behaves the same on every system, and has no read-only box to hide.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = nameFilters(Filter);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(filterIndex_));
    if (!startFolder_.isEmpty())
        dialog.setDirectory(startFolder_);
    dialog.selectFile(presetName_);

    const bool picked = runBrowseDialog(dialog);
    filterIndex_ = pickedType(filters, dialog.selectedNameFilter());
    setFocus();

    const QStringList files = dialog.selectedFiles();
    if (!picked || files.isEmpty())
        return;
    takeFile(QFileInfo(files.first()));
}

void TFilenameEdit::takeFile(const QFileInfo &file)
{
    startFolder_ = file.absolutePath();
    presetName_ = file.fileName();
    const QString path = QDir::toNativeSeparators(file.absoluteFilePath());
    const bool quote = path.contains(QLatin1Char(' ')) && !path.startsWith(QLatin1Char('"'));
    setText(quote ? QLatin1Char('"') + path + QLatin1Char('"') : path);
}

void TFilenameEdit::takeStartFrom(const QString &path)
{
    if (!isValidFileName(path))
        return;
    const QString normal = QDir::fromNativeSeparators(path);
    const qsizetype nameStart = normal.lastIndexOf(QLatin1Char('/')) + 1;
    const QString folder = normal.left(nameStart);
    if (!folder.isEmpty() && QDir(folder).exists())
        startFolder_ = QDir(folder).absolutePath();
    presetName_ = normal.mid(nameStart);
}

bool TFilenameEdit::runBrowseDialog(QFileDialog &dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

void TFilenameEdit::keyPressEvent(QKeyEvent *event)
{
    // Insert from the keypad counts too: it is the same key with Num Lock off.
    if (event->key() == Qt::Key_Insert && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        browse();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TFilenameEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeButton();
}

void TFilenameEdit::placeButton()
{
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    button_->setGeometry(width() - frame - browseButtonWidth, frame, browseButtonWidth, height() - 2 * frame);
}

void TFilenameEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QLineEdit::dragEnterEvent(event);
        return;
    }
    acceptFileDrag(event);
}

void TFilenameEdit::dragMoveEvent(QDragMoveEvent *event)
{
    // A file is taken whole, wherever it is let go, so the text cursor does not follow it.
    if (!event->mimeData()->hasUrls()) {
        QLineEdit::dragMoveEvent(event);
        return;
    }
    acceptFileDrag(event);
}

void TFilenameEdit::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QLineEdit::dropEvent(event);
        return;
    }
    const std::optional<QFileInfo> file = droppedFile(*event);
    if (!file) {
        event->ignore();
        return;
    }
    acceptAsCopy(*event);
    takeFile(*file);
    setFocus();
}
