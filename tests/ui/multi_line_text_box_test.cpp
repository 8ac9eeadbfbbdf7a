// The multi-line box: what its text says is what its view shows, whoever
// wrote it (the program, the base class's own calls, the user's keys), with
// CR LF line ends, and appending leaves the lines already shown in place.

#include <QtTest>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTextBlock>

#include <functional>

#include "ui/multi_line_text_box.h"

using ui::MultiLineTextBox;

namespace {

QString shown(const MultiLineTextBox& box) {
    return box.document()->toPlainText();
}

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
};

QTEST_MAIN(MultiLineTextBoxTest)
#include "multi_line_text_box_test.moc"
