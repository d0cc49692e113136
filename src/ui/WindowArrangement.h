#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QMdiArea;
class QWidget;

// The smallest size at which a result window shows everything whole: its texts, at least three ticks
// on every axis and the 3-D charts' titles.
inline constexpr QSize kUsableWindowSize{400, 290};

// Places n windows in area. While each can have the full width and at least usable.height(), they lie
// one above the other in strips of equal height; otherwise in a grid of columns x rows chosen so that
// the cells come as close to usable as they can (the smallest of width / usable width and height /
// usable height is the largest, fewer columns on a tie). Windows fill the rows left to right, top to
// bottom; the windows of a last row that is not full share its whole width. Every pixel of area is
// covered once; no rectangle is empty while area is not.
QList<QRect> TileRects(const QRect& area, int n, const QSize& usable = kUsableWindowSize);

// The arrangement at the start of a run: the run's windows that are not minimised are placed by
// TileRects in the order given, over the area the minimised windows' row along the bottom leaves;
// every other child window that is not minimised (data, study, comparison, ...) is minimised, so it
// keeps its place in that row and is not squeezed.
void ArrangeRunWindows(QMdiArea* area, const QList<QWidget*>& runWindows);
