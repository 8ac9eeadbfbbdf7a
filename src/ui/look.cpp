#include "ui/look.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace ui::look {

QFont dialogFont(qreal pointSize, bool bold) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont tahoma(qreal pointSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

QFont courier(qreal pointSize) {
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(pointSize);
    return font;
}

void setTextColour(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::WindowText, colour);
        palette.setColor(group, QPalette::Text, colour);
    }
    widget.setPalette(palette);
}

void setBackground(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, colour);
        palette.setColor(group, QPalette::Window, colour);
    }
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void fitTextToWidth(QLabel& label) {
    // The sizes tried are the label's own less quarter points, down to 5 pt;
    // the answer is the first that fits. Each size measured loads a font of
    // its own, so rather than walk down from the top, start where the width,
    // which grows in step with the size, says the answer lies, and walk from
    // there to the same answer.
    QFont font = label.font();
    const qreal top = font.pointSizeF();
    const int room = label.width() - 2;
    const auto sizeAt = [top](int step) { return top - 0.25 * step; };
    const auto width = [&](int step) {
        font.setPointSizeF(sizeAt(step));
        return QFontMetrics(font).horizontalAdvance(label.text());
    };
    int last = 0;  // the step that reaches 5 pt, tried whether it fits or not
    while (sizeAt(last) > 5.0) ++last;
    const auto fits = [&](int step) { return step == last || width(step) <= room; };
    int step = 0;
    if (const int widthAtTop = width(0); last > 0 && widthAtTop > room) {
        step = std::clamp(int(std::ceil((top - top * room / widthAtTop) / 0.25)), 1, last);
        if (fits(step)) {
            while (step > 1 && fits(step - 1)) --step;
        } else {
            while (!fits(step)) ++step;
        }
    }
    font.setPointSizeF(sizeAt(step));
    label.setFont(font);
}

}  // namespace ui::look
