#include "store/text_escape.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm {

namespace {

inline bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

inline std::uint64_t ZeroBytes(std::uint64_t x) {
    return (x - kOnes) & ~x & kHighs;
}

// Non-zero when one of the eight bytes is a backslash, CR or LF; the lowest
// set high bit marks the first such byte.
inline std::uint64_t EscapeBytes(std::uint64_t w) {
    return ZeroBytes(w ^ (kOnes * 0x5C)) | ZeroBytes(w ^ (kOnes * 0x0D)) |
           ZeroBytes(w ^ (kOnes * 0x0A));
}

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// Copies the run of ordinary characters (no backslash, CR or LF) at p to o,
// sixteen bytes at a time where the processor has SSE2 (every x86-64), then
// eight at a time. It may write up to sixteen bytes past the run, so the
// caller's output must have room for as many bytes past o as are left at p.
// Stops at the first special character or when fewer than eight bytes are left.
inline void CopyPlainRun(const char*& p, const char* const end, char*& o) {
#if defined(__SSE2__)
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
        const __m128i hits =
            _mm_or_si128(_mm_cmpeq_epi8(v, backslash),
                         _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) {
            const int plain = std::countr_zero(mask);
            p += plain;
            o += plain;
            return;
        }
        p += 16;
        o += 16;
    }
#endif
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t found = EscapeBytes(w);
        std::memcpy(o, &w, 8);
        if (found != 0) {
            // The lowest flagged byte is exact; the ones before it are plain.
            const int plain = kLittleEndian ? std::countr_zero(found) / 8 : 0;
            p += plain;
            o += plain;
            return;
        }
        p += 8;
        o += 8;
    }
}

}  // namespace

// Appends the escaped text; runs of ordinary characters are copied a word or
// a vector at a time.
void EscapeTextInto(std::string_view text, std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + 2 * text.size());  // the longest escaped form
    char* const begin = out.data() + start;
    char* o = begin;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        // o is at most twice as far on as p, so the run's copy fits.
        CopyPlainRun(p, end, o);
        if (p >= end) {
            break;
        }
        const char c = *p++;
        switch (c) {
            case '\\':
                *o++ = '\\';
                *o++ = '\\';
                break;
            case '\n':
                *o++ = '\\';
                *o++ = 'n';
                break;
            case '\r':
                *o++ = '\\';
                *o++ = 'r';
                break;
            default:
                *o++ = c;
        }
    }
    out.resize(start + static_cast<std::size_t>(o - begin));
}

std::string EscapeText(const std::string& text) {
    std::string out;
    EscapeTextInto(text, out);
    return out;
}

// One pass that gives the result of the three steps: CR and LF are dropped,
// a backslash whose next kept character is a backslash swallows it, and a
// backslash that is left turns into LF or CR together with an "n" or "r" as
// its next kept character (a replacement never makes a new backslash, so
// nothing later can pair with it). Runs of ordinary characters are copied a
// word or a vector at a time.
void UnescapeTextInto(std::string_view text, std::string& out) {
    out.resize(text.size());
    char* const begin = out.data();
    char* o = begin;
    const char* p = text.data();
    const char* const end = p + text.size();
    auto skipLineEnds = [&](const char* q) {
        while (q < end && IsLineEnd(*q)) {
            ++q;
        }
        return q;
    };
    while (p < end) {
        // The output never runs ahead of the input, so the run's copy fits.
        CopyPlainRun(p, end, o);
        if (p >= end) {
            break;
        }
        // Special characters come in runs (an escaped line end is "\\r\\n"):
        // handle the whole run here before scanning again.
        do {
            const char c = *p++;
            if (IsLineEnd(c)) {
                continue;
            }
            if (c != '\\') {
                *o++ = c;
                continue;
            }
            // The common forms first: \n, \r, and a pair followed by an ordinary
            // character; anything with line ends in between takes the general path.
            if (p < end && (*p == 'n' || *p == 'r')) {
                *o++ = *p == 'n' ? '\n' : '\r';
                ++p;
                continue;
            }
            if (end - p >= 2 && *p == '\\' && !IsLineEnd(p[1])) {
                if (p[1] == 'n' || p[1] == 'r') {
                    *o++ = p[1] == 'n' ? '\n' : '\r';
                    p += 2;
                } else {
                    *o++ = '\\';
                    p += 1;
                }
                continue;
            }
            const char* q = skipLineEnds(p);
            if (q < end && *q == '\\') {
                q = skipLineEnds(q + 1);  // the pair gives one backslash
            }
            if (q < end && (*q == 'n' || *q == 'r')) {
                *o++ = *q == 'n' ? '\n' : '\r';
                p = q + 1;
            } else {
                *o++ = '\\';
                p = q;
            }
        } while (p < end && (end - p < 8 || *p == '\\' || IsLineEnd(*p)));
    }
    out.resize(static_cast<std::size_t>(o - begin));
}

std::string UnescapeText(const std::string& text) {
    std::string out;
    UnescapeTextInto(text, out);
    return out;
}

}  // namespace qm
