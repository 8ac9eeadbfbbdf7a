#pragma once
// Colours and fonts of the window and its dialog.

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace ui::look {

inline const QColor Blue(0, 0, 255);
inline const QColor DarkBlue(0, 0, 192);
inline const QColor Red(255, 0, 0);
inline const QColor LightGrey(224, 224, 224);
inline const QColor LightYellow(255, 255, 192);
inline const QColor White(255, 255, 255);
// The classic colour of an active window's border, behind three of the pages.
inline const QColor ActiveBorder(212, 208, 200);

// The closest fonts Debian provides: Liberation Sans has the metrics of the
// classic dialog font's successors, DejaVu Sans is a humanist sans like
// Tahoma, Liberation Mono has Courier New's metrics.
QFont dialogFont(qreal pointSize = 8.0, bool bold = false);
QFont tahoma(qreal pointSize);
QFont courier(qreal pointSize);

void setTextColour(QWidget& widget, const QColor& colour);
void setBackground(QWidget& widget, const QColor& colour);

// Shrinks a label's font, keeping its family and weight, until its text fits
// the label's width, so that no caption is clipped with wider fonts.
void fitTextToWidth(QLabel& label);

}  // namespace ui::look
