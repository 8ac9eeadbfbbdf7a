// The multi-line box: what its text says is what its view shows, whoever
// wrote it (the program, the base class's own calls, the user's keys), with
// CR LF line ends, and appending leaves the lines already shown in place.

#include <QtTest>

#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextBlock>

#include <functional>

#include "ui/multi_line_text_box.h"

using ui::MultiLineTextBox;

namespace {

QString shown(const MultiLineTextBox& box) {
    return box.document()->toPlainText();
}

// The area each widget was asked to repaint.
struct PaintedArea : QObject {
    QHash<QObject*, qint64> pixels;
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const QRect rect = static_cast<QPaintEvent*>(event)->rect();
            pixels[object] += qint64(rect.width()) * rect.height();
        }
        return false;
    }
};

}  // namespace

class MultiLineTextBoxTest : public QObject {
    Q_OBJECT

private slots:
    void textIsWhatTheViewShowsWhoeverWroteIt() {
        MultiLineTextBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.text(), QString());
        QCOMPARE(shown(box), QString());

        const std::vector<std::pair<const char*, std::function<void()>>> writers{
            {"setText", [&] { box.setText("Text4"); }},
            {"setPlainText", [&] { box.setPlainText("Text4"); }},
            {"insertPlainText", [&] { box.insertPlainText("Text4"); }},
            {"appendText", [&] { box.appendText("Text4"); }},
            {"typed",
             [&] {
                 box.setFocus();
                 QTest::keyClicks(&box, "Text4");
             }},
            {"pasted",
             [&] {
                 QApplication::clipboard()->setText("Text4");
                 box.paste();
             }},
        };
        for (const auto& [writer, write] : writers) {
            write();
            QVERIFY2(shown(box) == "Text4", writer);
            QVERIFY2(box.text() == "Text4", writer);
            // Emptying is seen by the view, whoever wrote the text before.
            box.setText(QString());
            QVERIFY2(shown(box).isEmpty(), writer);
            QVERIFY2(box.text().isEmpty(), writer);
        }
    }

    void lineEndsShowAsLinesAndReadBackAsCrLf_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("text");
        QTest::newRow("CR LF") << "a\r\nb\r\n"
                               << "a\nb\n"
                               << "a\r\nb\r\n";
        QTest::newRow("empty lines") << "h:\r\n\r\nx"
                                     << "h:\n\nx"
                                     << "h:\r\n\r\nx";
        QTest::newRow("lone LF") << "a\nb"
                                 << "a\nb"
                                 << "a\r\nb";
        QTest::newRow("lone CR") << "a\rb"
                                 << "a\nb"
                                 << "a\r\nb";
        QTest::newRow("tabs and no-break space") << "Hop #\t1\t\u00a0"
                                                 << "Hop #\t1\t "
                                                 << "Hop #\t1\t\u00a0";
    }
    void lineEndsShowAsLinesAndReadBackAsCrLf() {
        QFETCH(QString, written);
        QFETCH(QString, view);
        QFETCH(QString, text);
        MultiLineTextBox box;
        box.setText(written);
        QCOMPARE(shown(box), view);
        QCOMPARE(box.text(), text);
    }

    void appendingKeepsTheLinesShownAndTheScrollPosition() {
        MultiLineTextBox box;
        box.resize(200, 100);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QString text = "Tracing Route su x:\r\n\r\n";
        for (int hop = 1; hop <= 40; ++hop)
            text += QString("Hop #\t%1\t<10 ms\t10.0.0.%1\r\n").arg(hop);
        box.setText(text);
        // A mark on the first line survives an append, but not a rewrite.
        box.document()->firstBlock().setUserState(7);

        QScrollBar* bar = box.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(0);
        box.setText(box.text() + "Hop #\t41\t<10 ms\t10.0.0.41\r\n");
        QCOMPARE(box.document()->firstBlock().userState(), 7);
        QCOMPARE(bar->value(), 0);

        bar->setValue(bar->maximum());
        box.appendText("\r\nTrace Route Completato");
        QCOMPARE(box.document()->firstBlock().userState(), 7);
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(shown(box).endsWith("10.0.0.41\n\nTrace Route Completato"));
        QVERIFY(box.text().endsWith("10.0.0.41\r\n\r\nTrace Route Completato"));

        box.setText("Tracing Route su y:\r\n\r\n");
        QCOMPARE(shown(box), QString("Tracing Route su y:\n\n"));
    }

    // A trace appends a line per hop: only that line is drawn again, in the
    // window's own font, and the scroll bar, unchanged while the text fits,
    // is not drawn at all.
    void appendingALineRepaintsOnlyThatLine() {
        MultiLineTextBox box;
        box.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        box.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box.resize(300, 240);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setText("Tracing Route su x:\r\n\r\n");
        QCoreApplication::processEvents();
        PaintedArea painted;
        qApp->installEventFilter(&painted);
        const qint64 wholeView = qint64(box.viewport()->width()) * box.viewport()->height();
        for (int hop = 1; hop <= 3; ++hop) {
            painted.pixels.clear();
            box.setText(box.text() + QString("Hop #\t%1\t<10 ms\t10.0.0.%1\r\n").arg(hop));
            QCoreApplication::processEvents();
            QVERIFY2(painted.pixels.value(box.viewport()) > 0, "the new line is drawn");
            QVERIFY2(painted.pixels.value(box.viewport()) < wholeView / 2,
                     qPrintable(QString("hop %1 repainted the whole view").arg(hop)));
            QCOMPARE(painted.pixels.value(box.verticalScrollBar()), 0);
        }
        qApp->removeEventFilter(&painted);
        QCOMPARE(shown(box), QString("Tracing Route su x:\n\nHop #\t1\t<10 ms\t10.0.0.1\nHop "
                                     "#\t2\t<10 ms\t10.0.0.2\nHop #\t3\t<10 ms\t10.0.0.3\n"));
    }
};

QTEST_MAIN(MultiLineTextBoxTest)
#include "multi_line_text_box_test.moc"
