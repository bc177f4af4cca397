#include "ModalBox.h"

#include <QEvent>

namespace ModalBox {

namespace {

Answerer &answerer()
{
    static Answerer instance;
    return instance;
}

// A close event that arrives before any button was pressed comes from the title bar, from
// Alt+F4 or from close(); a pressed button sets clickedButton() before the box goes away.
class TitleBarCloseWatch : public QObject {
public:
    explicit TitleBarCloseWatch(QMessageBox &box) : box_(box) { box_.installEventFilter(this); }
    ~TitleBarCloseWatch() override { box_.removeEventFilter(this); }
    Q_DISABLE_COPY_MOVE(TitleBarCloseWatch)

    bool closed() const { return closed_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &box_ && event->type() == QEvent::Close && box_.clickedButton() == nullptr)
            closed_ = true;
        return false;
    }

private:
    QMessageBox &box_;
    bool closed_ = false;
};

} // namespace

void setAnswerer(Answerer next)
{
    answerer() = std::move(next);
}

Outcome exec(QMessageBox &box)
{
    if (answerer())
        return answerer()(box);

    const TitleBarCloseWatch watch(box);
    box.exec();
    return {box.standardButton(box.clickedButton()), watch.closed()};
}

QString operatorText(QString text)
{
    return text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
}

} // namespace ModalBox
