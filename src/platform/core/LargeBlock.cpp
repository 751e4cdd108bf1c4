#include "LargeBlock.h"

#include <new>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#define CHEQUE_HAVE_MMAP 1
#endif

void LargeBlock::Free::operator()(char* p) const
{
#ifdef CHEQUE_HAVE_MMAP
    if (mappedBytes) {
        munmap(p, mappedBytes);
        return;
    }
#endif
    delete[] p;
}

LargeBlock::Ptr LargeBlock::heap(size_t bytes)
{
    return Ptr(new char[bytes], Free{0});
}

LargeBlock::Ptr LargeBlock::allocate(size_t bytes)
{
#ifdef CHEQUE_HAVE_MMAP
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(p, bytes, MADV_HUGEPAGE);  // a hint: without huge pages it still works
#endif
    return Ptr(static_cast<char*>(p), Free{bytes});
#else
    return Ptr(new char[bytes](), Free{0});
#endif
}
