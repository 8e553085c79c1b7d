// Looking through folded names sixteen bytes at a time: a keystroke must stay
// within a few milliseconds at a million names, where a byte at a time, or the
// C library's memchr under Wine, takes several times that.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TARVOLO_SSE2 1
#endif

namespace tarvolo {

inline unsigned LowestBit(unsigned mask) {
#if defined(__GNUC__)
    return static_cast<unsigned>(__builtin_ctz(mask));
#else
    unsigned bit = 0;
    while (!(mask & (1u << bit))) ++bit;
    return bit;
#endif
}

inline unsigned CountBits(unsigned mask) {
#if defined(__GNUC__)
    return static_cast<unsigned>(__builtin_popcount(mask));
#else
    unsigned bits = 0;
    for (; mask; mask &= mask - 1) ++bits;
    return bits;
#endif
}

#ifdef TARVOLO_SSE2
inline __m128i Load16(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bit k set where p[k] is `a` followed by `b` (`b` not looked at when
// `single`), for k from 0 to 15; reads p[0] to p[16].
inline unsigned PairMask(const char* p, __m128i a, __m128i b, bool single) {
    __m128i hits = _mm_cmpeq_epi8(Load16(p), a);
    if (!single) hits = _mm_and_si128(hits, _mm_cmpeq_epi8(Load16(p + 1), b));
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
}
#endif

// The first place in [p, end) where `a` stands followed by `b` (`b` is not
// looked at when `single`); `end` for none. Bytes up to end + 1 may be read
// when a pair is looked for, so `end` lies at least one byte before the buffer's
// end.
inline const char* FindStart(const char* p, const char* end, char a, char b, bool single) {
#ifdef TARVOLO_SSE2
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
    for (; end - p >= 16; p += 16)
        if (const unsigned mask = PairMask(p, va, vb, single)) return p + LowestBit(mask);
#endif
    for (; p < end; ++p)
        if (p[0] == a && (single || p[1] == b)) return p;
    return end;
}

}  // namespace tarvolo
