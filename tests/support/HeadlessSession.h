#pragma once

#include <QTest>

// Tests that talk to the session bus, the keyring or the settings store must run inside the private
// session of scripts/headless, never against the developer's own desktop.
#define CORVANE_REQUIRE_HEADLESS_SESSION()                                                                             \
    do {                                                                                                               \
        if (qEnvironmentVariable("CORVANE_HEADLESS_SESSION") != QLatin1String("1")) {                                  \
            QSKIP("needs the private session of scripts/headless");                                                    \
        }                                                                                                              \
    } while (false)
