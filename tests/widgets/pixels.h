#pragma once
// Comparing what the widgets draw: pictures of one widget taken before and after a change.
#include <QImage>
#include <QRect>
#include <cstdlib>

namespace tess {

// The share of a band along a rectangle's edge, `width` pixels deep, whose pixels differ clearly
// between two pictures of it.
inline double EdgeChange(const QImage& a, const QImage& b, QRect r, int width) {
    int changed = 0, band = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const bool inside = x >= r.left() + width && x <= r.right() - width && y >= r.top() + width &&
                                y <= r.bottom() - width;
            if (inside) continue;
            ++band;
            changed += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 48;
        }
    return band ? double(changed) / band : 0;
}

}  // namespace tess
