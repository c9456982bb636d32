// Runs a test body on a thread with an ordinary 8 MiB stack, whatever the
// limit of the process, so a walk that recursed once per character or per
// word would crash there.
#ifndef RORIRER_TESTS_SUPPORT_DEFAULTSTACK_H
#define RORIRER_TESTS_SUPPORT_DEFAULTSTACK_H

#include <functional>

// An exception that leaves `body` is thrown again on the calling thread;
// failing to start the thread throws std::system_error.
void onDefaultStack(const std::function<void()>& body);

#endif  // RORIRER_TESTS_SUPPORT_DEFAULTSTACK_H
