#pragma once
// Clock and the application's folder, for the report.

#include <QDateTime>
#include <QString>

namespace platform {

class Environment {
public:
    virtual ~Environment() = default;
    virtual QDateTime currentDateTime() = 0;
    virtual QString applicationFolder() = 0;
};

}  // namespace platform
