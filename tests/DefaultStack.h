// Runs a test body on a thread with an ordinary 8 MiB stack, whatever the
// limit of the process, so a walk that recursed once per character or per
// word would crash there.
#ifndef RORIRER_TESTS_DEFAULTSTACK_H
#define RORIRER_TESTS_DEFAULTSTACK_H

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

inline void onDefaultStack(const std::function<void()>& body) {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, 8u << 20), 0);
    pthread_t thread;
    auto run = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&body)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

#endif  // RORIRER_TESTS_DEFAULTSTACK_H
