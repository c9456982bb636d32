// The global operator new and delete of the allocation-failure tests,
// replaced so that a test can fail any allocation it picks. Linked into
// those tests alone, as the object library rorirer_failingallocator: every
// other program keeps the real allocator.
#ifndef RORIRER_TESTS_SUPPORT_FAILINGALLOCATOR_H
#define RORIRER_TESTS_SUPPORT_FAILINGALLOCATOR_H

#include <new>

// Allocations left before the next one throws std::bad_alloc; negative
// means never.
extern long g_failAfter;
// Whether only that one fails, or every one after it too.
extern bool g_failOnce;
// Blocks handed out and not yet given back, to find leaks.
extern long g_live;

// Lets every allocation succeed again.
void stopFailingAllocations() noexcept;

// Runs `operation` with allocation `n` (counting from 0) failing, and every
// one after it too unless `once`; allocations work again when it is done,
// however it ends. True when it threw std::bad_alloc.
template <typename Operation>
bool failsWithAllocation(long n, Operation&& operation, bool once = false) {
    g_failAfter = n;
    g_failOnce = once;
    bool threw = false;
    try {
        operation();
    } catch (const std::bad_alloc&) {
        threw = true;
    } catch (...) {
        stopFailingAllocations();
        throw;
    }
    stopFailingAllocations();
    return threw;
}

#endif  // RORIRER_TESTS_SUPPORT_FAILINGALLOCATOR_H
