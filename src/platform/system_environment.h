#pragma once
// The environment as this machine gives it: the clock and the program's folder.

#include "platform/environment.h"

namespace platform {

class SystemEnvironment final : public Environment {
public:
    QDateTime currentDateTime() override;
    QString applicationFolder() override;
};

}  // namespace platform
