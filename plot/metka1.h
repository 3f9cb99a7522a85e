// The marker symbols that tie each curve of a graph to its axis.
#pragma once

class QPainter;

namespace torv {

// Draws marker `kind` (1..18; any other kind draws nothing) centred on
// (x, y) with `size` in pixels (kinds 14 to 16 and the circles of 17 and 18
// ignore it). On entry the pen becomes black and the fill silver; on exit
// the fill is silver again.
void Marke(QPainter& canvas, int x, int y, int size, int kind);

} // namespace torv
