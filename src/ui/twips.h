#pragma once
// Layout units: twips are 1/1440 inch; at 96 device-independent pixels per
// inch one pixel is 15 twips. Qt scales device-independent pixels on high-DPI
// screens, so the window keeps its proportions there.

#include <QPoint>
#include <QRect>
#include <QtMath>

namespace ui {

constexpr int TwipsPerPixel = 15;

inline int twips(int value) {
    return qRound(value / static_cast<double>(TwipsPerPixel));
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace ui
