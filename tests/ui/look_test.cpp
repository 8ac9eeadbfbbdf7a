// Fitting a caption to its label: the largest quarter-point step below the
// label's own size whose text fits, never below 5 pt.

#include <QtTest>

#include <QFontMetrics>
#include <QLabel>

#include <cmath>

#include "ui/look.h"

class LookTest : public QObject {
    Q_OBJECT

private slots:
    void fittedCaptionIsTheLargestStepThatFits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qreal>("points");
        for (const char* text : {"Tarsino", "Interno 4410, stanza 12"})
            for (const qreal points : {4.0, 9.75, 20.25, 72.0})
                QTest::newRow((QByteArray(text) + " at " + QByteArray::number(points)).constData())
                    << QString(text) << points;
    }
    void fittedCaptionIsTheLargestStepThatFits() {
        QFETCH(QString, text);
        QFETCH(qreal, points);
        const auto width = [&](qreal size) {
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPointSizeF(size);
            return QFontMetrics(font).horizontalAdvance(text);
        };
        for (int room = 4; room < 400; room += 13) {
            QLabel label(text);
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPointSizeF(points);
            label.setFont(font);
            label.resize(room + 2, 20);
            ui::look::fitTextToWidth(label);
            const qreal fitted = label.font().pointSizeF();
            QCOMPARE(std::fmod(points - fitted, 0.25), 0.0);
            QVERIFY(fitted <= points);
            // Above the 5 pt floor the caption fits, and the step above it would not.
            if (fitted > 5.0) QVERIFY(width(fitted) <= room);
            if (fitted < points) QVERIFY(width(fitted + 0.25) > room);
            QVERIFY(fitted > 4.75 || fitted == points);
        }
    }
};

QTEST_MAIN(LookTest)
#include "look_test.moc"
