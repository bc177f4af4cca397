#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QWidget>

#include <functional>

// Stands in for the operator at the next real modal box or dialog while it lives. Once the box
// is up, from inside its own event loop, the action answers it. Whatever the action leaves open
// is closed straight after it, also when a failed check returned from the action early, so
// that a failed test ends at once instead of at its time limit.
class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<void(QWidget &modal)> action) : action_(std::move(action))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answerOpenModal(); });
        timer_.start();
    }
    ModalAnswerer(const ModalAnswerer &) = delete;
    ModalAnswerer &operator=(const ModalAnswerer &) = delete;

    // The action ran on a modal box, and the box was closed when the action returned.
    bool answered() const { return acted_ && !leftOpen_; }

private:
    void answerOpenModal()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer_.stop();
        acted_ = true;
        const QPointer<QWidget> box(modal);
        const auto closeWhatIsLeft = qScopeGuard([this, box] {
            if (!box || !box->isVisible())
                return;
            leftOpen_ = true;
            if (auto *dialog = qobject_cast<QDialog *>(box.data()))
                dialog->reject();
            else
                box->close();
        });
        action_(*modal);
    }

    std::function<void(QWidget &)> action_;
    QTimer timer_;
    bool acted_ = false;
    bool leftOpen_ = false;
};
