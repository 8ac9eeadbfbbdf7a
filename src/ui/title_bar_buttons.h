#pragma once
// A window whose title bar offers the close button only: no minimize, no
// maximize.

class QWidget;

namespace ui {

// Call before the window is first shown. The window's flags already ask for
// it (Qt passes them on as Motif hints); this covers window managers that
// ignore those hints for the two buttons.
void keepOnlyTheCloseButton(QWidget& window);

}  // namespace ui
