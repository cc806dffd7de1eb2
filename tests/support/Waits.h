#pragma once

// How long the tests wait for work on other threads and in other processes.
// The sanitized build runs several times slower, so CMake stretches every such
// wait there by PAIRVUE_WAIT_FACTOR: the QTRY_ macros' five seconds in the
// files that include this, and their explicit waits written with the factor.
#include <QTest>

#undef QTRY_VERIFY
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, 5000 * PAIRVUE_WAIT_FACTOR)
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected)                                                               \
    QTRY_COMPARE_WITH_TIMEOUT(expr, expected, 5000 * PAIRVUE_WAIT_FACTOR)
