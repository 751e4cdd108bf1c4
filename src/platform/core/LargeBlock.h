#pragma once

#include <cstddef>
#include <memory>

// Memory for large, long-lived buffers (results of a million rows): mapped
// straight from the system with a hint for huge pages where the system has
// them, so filling it does not fault one small page at a time; plain heap
// memory elsewhere. Either way it comes zeroed. Throws std::bad_alloc when
// there is none.
class LargeBlock {
public:
    struct Free {
        size_t mappedBytes = 0;  // 0: from the heap
        void operator()(char* p) const;
    };
    using Ptr = std::unique_ptr<char, Free>;

    static Ptr allocate(size_t bytes);
    // Heap memory, not cleared, for small blocks that may still grow.
    static Ptr heap(size_t bytes);
};
