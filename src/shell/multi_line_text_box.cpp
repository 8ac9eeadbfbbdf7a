#include "shell/multi_line_text_box.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace shell {

MultiLineTextBox::MultiLineTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setUndoRedoEnabled(false);
}

QString MultiLineTextBox::forDisplay(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void MultiLineTextBox::setText(const QString& text) {
    if (text == text_) return;
    const bool appending = !text_.isEmpty() && text.startsWith(text_) && !text_.endsWith(QLatin1Char('\r'));
    const QString previous = text_;
    text_ = text;
    if (!appending) {
        setPlainText(forDisplay(text_));
        return;
    }
    // Only the new tail goes into the view: the document keeps its layout and
    // the user's scroll position stays where it was unless it was at the end.
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(forDisplay(text_.mid(previous.size())));
    if (atEnd) bar->setValue(bar->maximum());
}

void MultiLineTextBox::setTabStops(const QList<qreal>& positions) {
    QTextOption option = document()->defaultTextOption();
    QList<QTextOption::Tab> tabs;
    for (const qreal position : positions) tabs << QTextOption::Tab(position, QTextOption::LeftTab);
    option.setTabs(tabs);
    document()->setDefaultTextOption(option);
}

}  // namespace shell
