// The read-out of the graph area: with the mouse over the graph, a cursor
// line at the nearest sample and a panel with the abscissa and every curve's
// value, of the current run and of every kept run drawn with it; with the
// graph focused, Left and Right move it by one sample. It is a transparent
// layer over the picture and never part of it, so that the picture saved or
// copied stays as drawn.
#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>

#include <vector>

#include "plot/grafik.h"

class QLabel;

namespace torv {

class GraphReadout : public QWidget {
public:
    // Covers `graphArea`, whose picture it reads out.
    explicit GraphReadout(QLabel* graphArea);

    // The curves and texts of a new picture; the cursor stays on its sample
    // if the new graph has it.
    void setGraph(const DrawnGraph& graph, char sep);
    // No graph: nothing to read out.
    void clear();

    // The sample shown (0 for position 1), -1 while hidden.
    int sample() const { return sample_; }
    // The panel's lines: the abscissa, then each curve, "name: value unit";
    // then for each kept run a line with its name and one with its values
    // at the cursor in the order and units of the lines above (the abscissa
    // only where it turns back), or a dash where the run has no sample there.
    QStringList lines() const;
    // Where the panel stands in the picture; null while hidden or where no
    // place leaves the legend and the event labels uncovered.
    QRect panel() const { return panel_; }

    // Shows the sample nearest to `at` (picture pixels), as a mouse there
    // does: nearest in x, or in x and y where the abscissa turns back.
    void pointAt(QPoint at);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showSample(int sample);
    // The kept run's sample at the cursor, or -1 where it has none.
    int keptSample(size_t run) const;
    QRect placePanel(QSize size) const;

    QLabel* area_;
    GraphReading reading_;
    std::vector<QRect> texts_; // every text of the picture
    std::vector<QRect> labels_; // the legend and the event labels
    std::vector<int> density_; // curve points per cell of kCell pixels
    char sep_ = '.';
    int sample_ = -1;
    int last_ = 0; // the sample shown last, where the keys start again
    QPoint pointer_ { -1, -1 }; // the mouse, while it is over the picture
    QRect panel_;
};

} // namespace torv
