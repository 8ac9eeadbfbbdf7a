#pragma once
// A multi-line text box whose text is exactly what the program wrote, CR LF
// line ends included, while the view shows ordinary lines. Appending extends
// the view in place instead of re-laying out the whole text.

#include <QPlainTextEdit>
#include <QString>

namespace shell {

class MultiLineTextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit MultiLineTextBox(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    void appendText(const QString& addition) { setText(text_ + addition); }

    // Tab stops in pixels from the left edge of the text area.
    void setTabStops(const QList<qreal>& positions);

private:
    static QString forDisplay(QString text);

    QString text_;
};

}  // namespace shell
