#pragma once

#include <QProgressBar>

// A progress bar drawn in separate blocks rather than as one smooth band, in a sunken frame,
// whatever the style: the blocks are two thirds of the bar's inner height wide, two pixels
// apart, and the last one is cut at the position.
class TProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit TProgressBar(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
