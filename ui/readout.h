// The read-out of the graph area: with the mouse over the graph, a cursor
// line at the nearest sample and a panel with the abscissa and every curve's
// value; with the graph focused, Left and Right move it by one sample. It is
// a transparent layer over the picture and never part of it, so that the
// picture saved or copied stays as drawn.
#pragma once

#include <QStringList>
#include <QWidget>

#include "plot/scene.h"

class QLabel;

namespace torv {

class GraphReadout : public QWidget {
public:
    // Covers `graphArea`, whose picture it reads out.
    explicit GraphReadout(QLabel* graphArea);

    // The curves of a new picture; the cursor stays on its sample if the
    // new graph has it.
    void setGraph(const GraphReading& reading, char sep);
    // No graph: nothing to read out.
    void clear();

    // The sample shown (0 for position 1), -1 while hidden.
    int sample() const { return sample_; }
    // The panel's lines: the abscissa, then each curve, "name: value unit".
    QStringList lines() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showSample(int sample);

    QLabel* area_;
    GraphReading reading_;
    char sep_ = '.';
    int sample_ = -1;
    int last_ = 0; // the sample shown last, where the keys start again
};

} // namespace torv
