#include "DefaultStack.h"

#include <pthread.h>

#include <exception>
#include <system_error>

namespace {

struct Job {
    const std::function<void()>* body;
    std::exception_ptr failure;
};

void* runJob(void* arg) {
    auto* job = static_cast<Job*>(arg);
    try {
        (*job->body)();
    } catch (...) {
        job->failure = std::current_exception();
    }
    return nullptr;
}

void check(int error, const char* what) {
    if (error != 0) throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

void onDefaultStack(const std::function<void()>& body) {
    pthread_attr_t attr;
    check(pthread_attr_init(&attr), "pthread_attr_init");
    Job job{&body, nullptr};
    pthread_t thread{};
    int error = pthread_attr_setstacksize(&attr, 8u << 20);
    if (error == 0) error = pthread_create(&thread, &attr, runJob, &job);
    pthread_attr_destroy(&attr);
    check(error, "starting a thread with an 8 MiB stack");
    check(pthread_join(thread, nullptr), "pthread_join");
    if (job.failure) std::rethrow_exception(job.failure);
}
