#include "ui/controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "ui/look.h"
#include "ui/twips.h"

namespace ui::controls {

namespace {

void place(QWidget& widget, const QString& name, Place where) {
    widget.setObjectName(name);
    widget.setGeometry(twipsRect(where.left, where.top, where.width, where.height));
}

}  // namespace

QLabel* label(QWidget* parent, const QString& name, const QString& text, Place where,
              const QColor& colour, Qt::Alignment alignment) {
    auto* control = new QLabel(text, parent);
    place(*control, name, where);
    control->setAlignment(alignment);
    if (colour.isValid()) look::setTextColour(*control, colour);
    return control;
}

QLineEdit* textBox(QWidget* parent, const QString& name, const QString& text, Place where,
                   const QColor& background, bool enabled) {
    // The text goes in once the box has its parent's font: given to the
    // constructor, it is first laid out in the application's font, which may
    // be one more font file to load.
    auto* control = new QLineEdit(parent);
    control->setText(text);
    place(*control, name, where);
    if (background.isValid()) look::setBackground(*control, background);
    control->setEnabled(enabled);
    // Disabled boxes only show what the program writes: keep it legible.
    QPalette palette = control->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(64, 64, 64));
    control->setPalette(palette);
    return control;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, Place where) {
    auto* control = new QPushButton(caption, parent);
    place(*control, name, where);
    control->setAutoDefault(false);
    return control;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption, Place where,
                 const QColor& captionColour) {
    auto* control = new QGroupBox(caption, parent);
    place(*control, name, where);
    if (captionColour.isValid()) {
        QPalette palette = control->palette();
        palette.setColor(QPalette::WindowText, captionColour);
        control->setPalette(palette);
    }
    return control;
}

QWidget* line(QWidget* parent, const QString& name, int x1, int y1, int x2, int y2,
              const QColor& colour) {
    auto* control = new QWidget(parent);
    control->setObjectName(name);
    control->setGeometry(twips(std::min(x1, x2)), twips(std::min(y1, y2)),
                         std::max(1, twips(std::abs(x2 - x1))),
                         std::max(1, twips(std::abs(y2 - y1))));
    look::setBackground(*control, colour);
    return control;
}

}  // namespace ui::controls
