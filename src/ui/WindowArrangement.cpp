#include "WindowArrangement.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

QList<QRect> TileRects(const QRect& area, int n, const QSize& usable) {
    QList<QRect> rects;
    if (n <= 0) return rects;
    const int W = std::max(0, area.width());
    const int H = std::max(0, area.height());
    // Splits length into parts as equal as they can be, the larger ones first.
    auto share = [](int length, int parts, int k) { return length / parts + (k < length % parts ? 1 : 0); };
    auto offset = [&](int length, int parts, int k) {
        int o = 0;
        for (int i = 0; i < k; ++i)
            o += share(length, parts, i);
        return o;
    };
    int columns = 1;
    if (H / n < usable.height()) {
        double best = -1;
        for (int c = 1; c <= n; ++c) {
            const int r = (n + c - 1) / c;
            const double fit = std::min(double(W / c) / usable.width(), double(H / r) / usable.height());
            if (fit > best + 1e-12) {
                best = fit;
                columns = c;
            }
        }
    }
    const int rows = (n + columns - 1) / columns;
    for (int k = 0; k < n; ++k) {
        const int row = k / columns;
        const int inRow = (row == rows - 1) ? n - row * columns : columns;
        const int col = k % columns;
        rects.append(QRect(area.x() + offset(W, inRow, col), area.y() + offset(H, rows, row),
                           share(W, inRow, col), share(H, rows, row)));
    }
    return rects;
}

void ArrangeRunWindows(QMdiArea* area, const QList<QWidget*>& runWindows) {
    QList<QMdiSubWindow*> placed;
    for (QWidget* w : runWindows)
        for (QMdiSubWindow* sub : area->subWindowList())
            if (sub->widget() == w && !sub->isHidden() && !sub->isMinimized()) placed.append(sub);
    const QList<QMdiSubWindow*> subs = area->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* sub : subs)
        if (!sub->isHidden() && !sub->isMinimized() && !placed.contains(sub)) sub->showMinimized();
    for (QMdiSubWindow* sub : placed)
        if (sub->isMaximized()) sub->showNormal();

    const QRect client = area->viewport()->rect();
    // The minimised windows in a row along the bottom edge.
    int iconHeight = 0;
    int x = 0;
    for (QMdiSubWindow* sub : subs) {
        if (sub->isHidden() || !sub->isMinimized()) continue;
        const QSize s = sub->size();
        iconHeight = std::max(iconHeight, s.height());
        sub->move(x, client.bottom() + 1 - s.height());
        x += s.width();
    }
    const QRect free(client.x(), client.y(), client.width(), std::max(0, client.height() - iconHeight));
    const QList<QRect> rects = TileRects(free, int(placed.size()));
    for (int k = 0; k < placed.size(); ++k)
        placed[k]->setGeometry(rects[k]);
}
