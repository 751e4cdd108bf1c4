#pragma once

#include <cstddef>

// Unsigned numbers in 7-bit groups, low group first, the high bit set on every
// byte but the last: small lengths take one byte. For packed in-memory
// records that the program writes and reads itself.
namespace Varint {

template <typename U>
inline size_t size(U v)
{
    size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

template <typename U>
inline char* put(char* p, U v)
{
    while (v >= 0x80) {
        *p++ = static_cast<char>((v & 0x7f) | 0x80);
        v >>= 7;
    }
    *p++ = static_cast<char>(v);
    return p;
}

template <typename U>
inline const char* get(const char* p, U& v)
{
    v = 0;
    for (int shift = 0;; shift += 7) {
        const auto b = static_cast<unsigned char>(*p++);
        v |= static_cast<U>(b & 0x7f) << shift;
        if (!(b & 0x80))
            return p;
    }
}

}
