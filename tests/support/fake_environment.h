#pragma once
// A clock that gives the readings a test lists, one per call (the last one
// repeats), and an application folder the test chooses.

#include <QDateTime>
#include <QString>

#include <deque>

#include "platform/environment.h"

namespace testing_support {

class FakeEnvironment final : public platform::Environment {
public:
    std::deque<QDateTime> readings{QDateTime(QDate(2002, 4, 19), QTime(20, 39, 23))};
    QString folder;
    int clockReadings = 0;

    QDateTime currentDateTime() override {
        ++clockReadings;
        const QDateTime now = readings.front();
        if (readings.size() > 1) readings.pop_front();
        return now;
    }
    QString applicationFolder() override { return folder; }
};

}  // namespace testing_support
