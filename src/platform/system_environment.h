#pragma once

#include "platform/environment.h"

namespace platform {

class SystemEnvironment final : public Environment {
public:
    QDateTime currentDateTime() override;
    QString applicationFolder() override;
};

}  // namespace platform
