#include "ui/look.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QWidget>

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
    QFont font = label.font();
    const int room = label.width() - 2;
    while (font.pointSizeF() > 5.0 && QFontMetrics(font).horizontalAdvance(label.text()) > room) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    label.setFont(font);
}

}  // namespace ui::look
