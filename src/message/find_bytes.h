// SPDX-License-Identifier: MIT
// The first of three bytes in a stretch, sixteen or thirty-two bytes at a
// time: what the line reader looks for on every line, and the recipient
// list on every address.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pelmora {

#if defined(__x86_64__)
// The same as FindFirstOf with 32-byte registers; only where the processor
// has them (HasWideCompare).
const char* FindFirstOfWide(const char* from, const char* end, char a, char b, char c);
bool HasWideCompare();
#endif

// The first a, b or c in [from, end), or end.
inline const char* FindFirstOf(const char* from, const char* end, char a, char b, char c) {
#if defined(__x86_64__)
    // A line of mail is some 70 bytes: the wider compare takes it in three
    // steps where the narrow one takes five.
    static const bool wide = HasWideCompare();
    if (wide && end - from >= 32) return FindFirstOfWide(from, end, a, b, c);
#endif
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
