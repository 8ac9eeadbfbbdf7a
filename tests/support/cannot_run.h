#pragma once
// For a test that cannot run on this machine (no root for namespaces, no
// lab, no display): outside CI it skips and says why; in CI (CI=true), where
// everything it needs is installed, that is a fault of the setup or of the
// code, and it fails with the reason.

#include <QtTest>

#define TARSINO_CANNOT_RUN(reason)                                                 \
    do {                                                                           \
        const QString tarsinoWhy_ = (reason);                                      \
        if (qEnvironmentVariable("CI") == QLatin1String("true"))                   \
            QFAIL(qPrintable(QStringLiteral("cannot run in CI: ") + tarsinoWhy_)); \
        QSKIP(qPrintable(tarsinoWhy_));                                            \
    } while (false)
