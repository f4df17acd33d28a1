#pragma once

#include <cstddef>
#include <cstring>

// Byte searches that the C library has on some platforms only.
namespace Memoria {

// The last byte `c` among the `n` bytes from `base`, or null: glibc's memrchr where there is one, a loop
// elsewhere (Windows).
inline const void *ultimo(const void *base, int c, std::size_t n)
{
#if defined(__GLIBC__)
    return ::memrchr(base, c, n);
#else
    const auto *inizio = static_cast<const unsigned char *>(base);
    for (const unsigned char *p = inizio + n; p != inizio;) {
        if (*--p == static_cast<unsigned char>(c))
            return p;
    }
    return nullptr;
#endif
}

} // namespace Memoria
