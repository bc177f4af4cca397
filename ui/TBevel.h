#pragma once

#include <QWidget>

// Sunken groove lines along chosen edges of a rectangle, and nothing else: the line under
// each band of profile choices, and the top and bottom borders of the toolbar. Each groove is
// two pixels, the shadow colour above the highlight.
class TBevel : public QWidget {
    Q_OBJECT

public:
    enum Edge { TopEdge = 0x1, BottomEdge = 0x2 };
    Q_DECLARE_FLAGS(Edges, Edge)

    TBevel(Edges edges, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Edges edges_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TBevel::Edges)
