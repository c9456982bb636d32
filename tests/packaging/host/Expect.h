// What the hosts of the install test share: each wrong answer is printed
// and counted, and a host exits non-zero when there was one.
#ifndef RORIRER_PACKAGING_HOST_EXPECT_H
#define RORIRER_PACKAGING_HOST_EXPECT_H

#include <cstdio>

inline int g_failures = 0;

inline void expect(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "wrong: %s\n", what);
        ++g_failures;
    }
}

// The host's exit status.
inline int verdict(const char* host) {
    if (g_failures == 0) std::printf("%s: all answers right\n", host);
    return g_failures == 0 ? 0 : 1;
}

#endif  // RORIRER_PACKAGING_HOST_EXPECT_H
