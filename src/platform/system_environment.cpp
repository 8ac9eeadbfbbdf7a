#include "platform/system_environment.h"

#include <QCoreApplication>

namespace platform {

QDateTime SystemEnvironment::currentDateTime() {
    return QDateTime::currentDateTime();
}

QString SystemEnvironment::applicationFolder() {
    return QCoreApplication::applicationDirPath();
}

}  // namespace platform
