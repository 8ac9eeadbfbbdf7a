#include "ui/multi_line_text_box.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace ui {

namespace {

const QString CrLf = QStringLiteral("\r\n");

// While the text fits the box, each new line changes the bar's page step and
// nothing it shows (an empty range draws the slider over the whole groove);
// repainting it anyway repaints everything beneath it, line after line.
class ResultsScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override {
        if (change == SliderStepsChange && minimum() == maximum()) return;
        QScrollBar::sliderChange(change);
    }
};

}  // namespace

MultiLineTextBox::MultiLineTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setUndoRedoEnabled(false);
    setVerticalScrollBar(new ResultsScrollBar(Qt::Vertical, this));
    // A results box takes no typed tabs: Tab and Shift+Tab move on through
    // the focus order, as in any other control of the window.
    setTabChangesFocus(true);
}

QString MultiLineTextBox::forDisplay(QString text) {
    text.replace(CrLf, QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString MultiLineTextBox::text() const {
    // Block by block rather than toPlainText(), which would turn no-break
    // spaces into plain ones.
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin()) text += CrLf;
        text += block.text();
    }
    return text;
}

void MultiLineTextBox::setText(const QString& text) {
    const QString current = this->text();
    if (text == current) return;
    if (!current.isEmpty() && text.startsWith(current))
        appendText(text.mid(current.size()));
    else
        setPlainText(forDisplay(text));
}

void MultiLineTextBox::appendText(const QString& addition) {
    if (addition.isEmpty()) return;
    if (document()->isEmpty()) {
        setPlainText(forDisplay(addition));
        return;
    }
    // Only the new tail goes into the view: the document keeps its layout and
    // the user's scroll position stays where it was unless it was at the end.
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const QString lines = forDisplay(addition);
    if (lines.endsWith(QLatin1Char('\n'))) {
        // The view repaints only the lines an insertion touched when it ends
        // in the last line, and all of itself otherwise (a trace repainted
        // every line for every hop). A line end therefore goes in with a
        // space after it, taken out again before anything is drawn: a space,
        // which every font has, keeps that line as tall as an empty one.
        cursor.insertText(lines + QLatin1Char(' '));
        cursor.deletePreviousChar();
    } else {
        cursor.insertText(lines);
    }
    if (atEnd) bar->setValue(bar->maximum());
}

void MultiLineTextBox::setTabStops(const QList<qreal>& positions) {
    QTextOption option = document()->defaultTextOption();
    QList<QTextOption::Tab> tabs;
    for (const qreal position : positions) tabs << QTextOption::Tab(position, QTextOption::LeftTab);
    option.setTabs(tabs);
    document()->setDefaultTextOption(option);
}

}  // namespace ui
