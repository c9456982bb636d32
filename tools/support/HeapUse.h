// Bytes the program holds on the heap, to say what the store costs per word.
#ifndef RORIRER_TOOLS_SUPPORT_HEAPUSE_H
#define RORIRER_TOOLS_SUPPORT_HEAPUSE_H

namespace rorirer {

// Bytes in use from the allocator, or -1 where the C library cannot say.
long long heapBytesInUse() noexcept;

}  // namespace rorirer

#endif  // RORIRER_TOOLS_SUPPORT_HEAPUSE_H
