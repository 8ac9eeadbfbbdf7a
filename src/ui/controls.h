#pragma once
// Makes the controls of the window and of the host details dialog from their
// layout: name, text, place in twips, colours. Each control's objectName is
// its name in the design ("Text5(3)" becomes "Text5_3").

#include <QColor>
#include <QString>
#include <Qt>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace ui::controls {

struct Place {
    int left, top, width, height;  // twips, relative to the parent
};

// The window's captions hang from the top of their place.
inline constexpr Qt::Alignment LeftAligned = Qt::AlignLeft | Qt::AlignTop;
inline constexpr Qt::Alignment RightAligned = Qt::AlignRight | Qt::AlignTop;

// An invalid colour keeps the style's own.
QLabel* label(QWidget* parent, const QString& name, const QString& text, Place place,
              const QColor& colour = QColor(), Qt::Alignment alignment = LeftAligned);
QLineEdit* textBox(QWidget* parent, const QString& name, const QString& text, Place place,
                   const QColor& background = QColor(), bool enabled = true);
QPushButton* button(QWidget* parent, const QString& name, const QString& caption, Place place);
QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption, Place place,
                 const QColor& captionColour = QColor());
// A straight line between two points (twips); only horizontal lines are used.
QWidget* line(QWidget* parent, const QString& name, int x1, int y1, int x2, int y2,
              const QColor& colour);

}  // namespace ui::controls
