// A four-lane float vector: one lane per voice. SSE2 where the target has it,
// plain arrays otherwise; both give the same results lane by lane.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#define CALVERINE_VEC4_SSE2 1
#include <emmintrin.h>
#endif

namespace calverine {

struct alignas(16) Vec4 {
    static constexpr int kLanes = 4;
    static constexpr int kGroups = 1;  // groups of four lanes per vector
#if CALVERINE_VEC4_SSE2
    __m128 v;
    Vec4() : v(_mm_setzero_ps()) {}
    explicit Vec4(__m128 x) : v(x) {}
    explicit Vec4(float x) : v(_mm_set1_ps(x)) {}
    Vec4(float a, float b, float c, float d) : v(_mm_setr_ps(a, b, c, d)) {}
    static Vec4 load(const float* p) { return Vec4(_mm_load_ps(p)); }
    static Vec4 loadUnaligned(const float* p) { return Vec4(_mm_loadu_ps(p)); }
    void store(float* p) const { _mm_store_ps(p, v); }
    void storeUnaligned(float* p) const { _mm_storeu_ps(p, v); }
    friend Vec4 operator+(Vec4 a, Vec4 b) { return Vec4(_mm_add_ps(a.v, b.v)); }
    friend Vec4 operator-(Vec4 a, Vec4 b) { return Vec4(_mm_sub_ps(a.v, b.v)); }
    friend Vec4 operator*(Vec4 a, Vec4 b) { return Vec4(_mm_mul_ps(a.v, b.v)); }
    friend Vec4 operator/(Vec4 a, Vec4 b) { return Vec4(_mm_div_ps(a.v, b.v)); }
    friend Vec4 min(Vec4 a, Vec4 b) { return Vec4(_mm_min_ps(a.v, b.v)); }
    friend Vec4 max(Vec4 a, Vec4 b) { return Vec4(_mm_max_ps(a.v, b.v)); }
    float lane(int i) const {
        alignas(16) float f[4];
        store(f);
        return f[i];
    }
    // 1/x to about 23 bits: the hardware estimate and one Newton step.
    friend Vec4 reciprocal(Vec4 x) {
        const __m128 r = _mm_rcp_ps(x.v);
        return Vec4(_mm_mul_ps(r, _mm_sub_ps(_mm_set1_ps(2.0f), _mm_mul_ps(x.v, r))));
    }
    // 1/x to 12 bits: the hardware estimate alone, for factors that only
    // shape a saturation.
    friend Vec4 roughReciprocal(Vec4 x) { return Vec4(_mm_rcp_ps(x.v)); }
    // Comparisons give masks: all bits set in the lanes where they hold.
    friend Vec4 operator>=(Vec4 a, Vec4 b) { return Vec4(_mm_cmpge_ps(a.v, b.v)); }
    friend Vec4 operator<(Vec4 a, Vec4 b) { return Vec4(_mm_cmplt_ps(a.v, b.v)); }
    friend Vec4 operator&(Vec4 a, Vec4 b) { return Vec4(_mm_and_ps(a.v, b.v)); }
    friend Vec4 operator|(Vec4 a, Vec4 b) { return Vec4(_mm_or_ps(a.v, b.v)); }
    // b where the mask is clear (~mask & b).
    friend Vec4 andNot(Vec4 mask, Vec4 b) { return Vec4(_mm_andnot_ps(mask.v, b.v)); }
    friend bool any(Vec4 mask) { return _mm_movemask_ps(mask.v) != 0; }
    // 2^x for |x| < 126, relative error about 2e-7: x = n + f with n the
    // nearest integer, 2^f by its series to the sixth power, 2^n in the exponent.
    friend Vec4 exp2(Vec4 x) {
        x = Vec4(_mm_min_ps(_mm_max_ps(x.v, _mm_set1_ps(-126.0f)), _mm_set1_ps(126.0f)));
        const __m128i n = _mm_cvtps_epi32(x.v);
        const Vec4 f = x - Vec4(_mm_cvtepi32_ps(n));
        const Vec4 p =
            Vec4(1.0f) +
            f * (Vec4(0.69314718f) +
                 f * (Vec4(0.24022651f) +
                      f * (Vec4(0.05550411f) + f * (Vec4(0.00961813f) + f * (Vec4(0.00133336f) + f * Vec4(0.00015404f))))));
        const __m128i scale = _mm_slli_epi32(_mm_add_epi32(n, _mm_set1_epi32(127)), 23);
        return p * Vec4(_mm_castsi128_ps(scale));
    }
    // table[int(position)] in every lane (positions within the table).
    static Vec4 gather(const float* table, Vec4 position) {
        alignas(16) std::int32_t at[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(at), _mm_cvttps_epi32(position.v));
        return Vec4(table[at[0]], table[at[1]], table[at[2]], table[at[3]]);
    }
    // out[j] += the sum of rows[j]'s lanes, (l0 + l1) + (l2 + l3), for j <
    // count (a multiple of 4): four rows at a time, transposed.
    static void addLaneSums(const Vec4* rows, int count, float* out) {
        for (int j = 0; j < count; j += 4) {
            __m128 a = rows[j].v, b = rows[j + 1].v, c = rows[j + 2].v, d = rows[j + 3].v;
            _MM_TRANSPOSE4_PS(a, b, c, d);
            const __m128 sums = _mm_add_ps(_mm_add_ps(a, b), _mm_add_ps(c, d));
            _mm_storeu_ps(out + j, _mm_add_ps(_mm_loadu_ps(out + j), sums));
        }
    }
#else
    float v[4];
    Vec4() : v{0, 0, 0, 0} {}
    explicit Vec4(float x) : v{x, x, x, x} {}
    Vec4(float a, float b, float c, float d) : v{a, b, c, d} {}
    static Vec4 load(const float* p) { return Vec4(p[0], p[1], p[2], p[3]); }
    static Vec4 loadUnaligned(const float* p) { return load(p); }
    void store(float* p) const {
        for (int i = 0; i < 4; ++i) p[i] = v[i];
    }
    void storeUnaligned(float* p) const { store(p); }
    friend Vec4 operator+(Vec4 a, Vec4 b) { return {a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]}; }
    friend Vec4 operator-(Vec4 a, Vec4 b) { return {a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3]}; }
    friend Vec4 operator*(Vec4 a, Vec4 b) { return {a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]}; }
    friend Vec4 operator/(Vec4 a, Vec4 b) { return {a.v[0] / b.v[0], a.v[1] / b.v[1], a.v[2] / b.v[2], a.v[3] / b.v[3]}; }
    friend Vec4 min(Vec4 a, Vec4 b) {
        return {a.v[0] < b.v[0] ? a.v[0] : b.v[0], a.v[1] < b.v[1] ? a.v[1] : b.v[1],
                a.v[2] < b.v[2] ? a.v[2] : b.v[2], a.v[3] < b.v[3] ? a.v[3] : b.v[3]};
    }
    friend Vec4 max(Vec4 a, Vec4 b) {
        return {a.v[0] > b.v[0] ? a.v[0] : b.v[0], a.v[1] > b.v[1] ? a.v[1] : b.v[1],
                a.v[2] > b.v[2] ? a.v[2] : b.v[2], a.v[3] > b.v[3] ? a.v[3] : b.v[3]};
    }
    float lane(int i) const { return v[i]; }
    friend Vec4 reciprocal(Vec4 x) { return Vec4(1.0f) / x; }
    friend Vec4 roughReciprocal(Vec4 x) { return Vec4(1.0f) / x; }
    template <typename Op>
    static Vec4 bitwise(Vec4 a, Vec4 b, Op op) {
        Vec4 r;
        for (int i = 0; i < 4; ++i) {
            std::uint32_t x, y;
            std::memcpy(&x, &a.v[i], 4);
            std::memcpy(&y, &b.v[i], 4);
            const std::uint32_t z = op(x, y);
            std::memcpy(&r.v[i], &z, 4);
        }
        return r;
    }
    friend Vec4 operator>=(Vec4 a, Vec4 b) {
        return {bits(a.v[0] >= b.v[0]), bits(a.v[1] >= b.v[1]), bits(a.v[2] >= b.v[2]), bits(a.v[3] >= b.v[3])};
    }
    friend Vec4 operator<(Vec4 a, Vec4 b) {
        return {bits(a.v[0] < b.v[0]), bits(a.v[1] < b.v[1]), bits(a.v[2] < b.v[2]), bits(a.v[3] < b.v[3])};
    }
    friend Vec4 operator&(Vec4 a, Vec4 b) { return bitwise(a, b, [](std::uint32_t x, std::uint32_t y) { return x & y; }); }
    friend Vec4 operator|(Vec4 a, Vec4 b) { return bitwise(a, b, [](std::uint32_t x, std::uint32_t y) { return x | y; }); }
    friend Vec4 andNot(Vec4 mask, Vec4 b) {
        return bitwise(mask, b, [](std::uint32_t x, std::uint32_t y) { return ~x & y; });
    }
    friend bool any(Vec4 mask) {
        for (float f : mask.v)
            if (f != 0.0f || std::signbit(f) || std::isnan(f)) return true;
        return false;
    }
    friend Vec4 exp2(Vec4 x) { return {std::exp2(x.v[0]), std::exp2(x.v[1]), std::exp2(x.v[2]), std::exp2(x.v[3])}; }
    static Vec4 gather(const float* table, Vec4 position) {
        return {table[static_cast<int>(position.v[0])], table[static_cast<int>(position.v[1])],
                table[static_cast<int>(position.v[2])], table[static_cast<int>(position.v[3])]};
    }
    static void addLaneSums(const Vec4* rows, int count, float* out) {
        for (int j = 0; j < count; ++j) out[j] += (rows[j].v[0] + rows[j].v[1]) + (rows[j].v[2] + rows[j].v[3]);
    }
#endif
    // The voice loops see every vector as rows of four lanes: one here.
    static Vec4 loadRows(const float* const* rows) { return load(rows[0]); }
    void storeRows(float* const* rows) const { store(rows[0]); }
    // A mask lane: all bits set for true.
    static float bits(bool on) {
        const std::uint32_t b = on ? 0xFFFFFFFFu : 0u;
        float f;
        std::memcpy(&f, &b, 4);
        return f;
    }
    // a where the mask is set, else b.
    friend Vec4 select(Vec4 mask, Vec4 a, Vec4 b) { return (mask & a) | andNot(mask, b); }
    Vec4& operator+=(Vec4 b) { return *this = *this + b; }
    Vec4& operator-=(Vec4 b) { return *this = *this - b; }
    Vec4& operator*=(Vec4 b) { return *this = *this * b; }
};

// The scalar twin of exp2(Vec4): the same series and range reduction.
inline float exp2Scalar(float x) {
    x = x < -126.0f ? -126.0f : (x > 126.0f ? 126.0f : x);
    // Round to nearest: adding and taking away 1.5 x 2^23 leaves no fraction
    // (a call to the library's rounding would cost more than the rest).
    const float n = (x + 12582912.0f) - 12582912.0f;
    const float f = x - n;
    const float p =
        1.0f +
        f * (0.69314718f +
             f * (0.24022651f + f * (0.05550411f + f * (0.00961813f + f * (0.00133336f + f * 0.00015404f)))));
    const std::uint32_t bits = static_cast<std::uint32_t>(static_cast<int>(n) + 127) << 23;
    float scale;
    std::memcpy(&scale, &bits, 4);
    return p * scale;
}

}  // namespace calverine
