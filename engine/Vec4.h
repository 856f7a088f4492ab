// A four-lane float vector: one lane per voice. SSE2 where the target has it,
// plain arrays otherwise; both give the same results lane by lane.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#define CALVERINE_VEC4_SSE2 1
#include <emmintrin.h>
#endif

namespace calverine {

struct alignas(16) Vec4 {
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
#endif
    Vec4& operator+=(Vec4 b) { return *this = *this + b; }
    Vec4& operator-=(Vec4 b) { return *this = *this - b; }
    Vec4& operator*=(Vec4 b) { return *this = *this * b; }
};

}  // namespace calverine
