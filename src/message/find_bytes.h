// SPDX-License-Identifier: MIT
// The first of three bytes in a stretch, sixteen bytes at a time: what the
// line reader looks for on every line, and the recipient list on every
// address.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pelmora {

// The first a, b or c in [from, end), or end.
inline const char* FindFirstOf(const char* from, const char* end, char a, char b, char c) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    for (; end - from >= 16; from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, va), _mm_cmpeq_epi8(bytes, vb)),
                                          _mm_cmpeq_epi8(bytes, vc));
        if (const int mask = _mm_movemask_epi8(hits); mask != 0)
            return from + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    for (; from < end; ++from)
        if (*from == a || *from == b || *from == c) return from;
    return end;
}

}  // namespace pelmora
