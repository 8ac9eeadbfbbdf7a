#pragma once
// A multi-line text box whose text is what its view shows, read back with
// CR LF line ends: the document is the one place the text lives, so nothing
// written into the box (by the program, the base class or the user) can make
// its text and its view disagree. Appending extends the view in place
// instead of re-laying out the whole text.

#include <QPlainTextEdit>
#include <QString>

namespace ui {

class MultiLineTextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit MultiLineTextBox(QWidget* parent = nullptr);

    // The shown lines joined by CR LF.
    QString text() const;
    // CR LF, a lone CR and a lone LF each start a new line. A text that
    // extends the current one only appends its tail.
    void setText(const QString& text);
    void appendText(const QString& addition);

    // Tab stops in pixels from the left edge of the text area.
    void setTabStops(const QList<qreal>& positions);

private:
    static QString forDisplay(QString text);
};

}  // namespace ui
