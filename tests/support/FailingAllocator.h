// The global operator new and delete of the allocation-failure tests,
// replaced so that a test can fail any allocation it picks. Linked into
// those tests alone, as the object library rorirer_failingallocator: every
// other program keeps the real allocator.
#ifndef RORIRER_TESTS_SUPPORT_FAILINGALLOCATOR_H
#define RORIRER_TESTS_SUPPORT_FAILINGALLOCATOR_H

// Allocations left before the next one throws std::bad_alloc; negative
// means never.
extern long g_failAfter;
// Whether only that one fails, or every one after it too.
extern bool g_failOnce;
// Blocks handed out and not yet given back, to find leaks.
extern long g_live;

#endif  // RORIRER_TESTS_SUPPORT_FAILINGALLOCATOR_H
