// SPDX-License-Identifier: MIT
#include "message/find_bytes.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace pelmora {

bool HasWideCompare() {
    return __builtin_cpu_supports("avx2");
}

__attribute__((target("avx2"))) const char* FindFirstOfWide(const char* from, const char* end, char a, char b,
                                                            char c) {
    const __m256i va = _mm256_set1_epi8(a);
    const __m256i vb = _mm256_set1_epi8(b);
    const __m256i vc = _mm256_set1_epi8(c);
    for (; end - from >= 32; from += 32) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
        const __m256i hits =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(bytes, va), _mm256_cmpeq_epi8(bytes, vb)),
                            _mm256_cmpeq_epi8(bytes, vc));
        if (const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hits)); mask != 0)
            return from + __builtin_ctz(mask);
    }
    // The last bytes, fewer than 32, in one step that ends at end: the bytes
    // before from in it were passed over already.
    if (from < end) {
        const char* const last = end - 32;
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(last));
        const __m256i hits =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(bytes, va), _mm256_cmpeq_epi8(bytes, vb)),
                            _mm256_cmpeq_epi8(bytes, vc));
        const auto skipped = static_cast<unsigned>(from - last);
        if (const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hits)) >> skipped; mask != 0)
            return from + __builtin_ctz(mask);
    }
    return end;
}

}  // namespace pelmora
#endif
