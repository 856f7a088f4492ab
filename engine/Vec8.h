// An eight-lane float vector over AVX2 and FMA: two groups of four voices in
// one register. It has the same operations as Vec4 and gives the same values
// lane by lane, except that multiply-adds may be fused.
//
// Only for code built for such processors: VoiceKernels.cpp includes it
// inside its AVX2 region, after <immintrin.h>, and nothing else does.
// (No #pragma once needed: one includer.)

// Every function carries the target itself: GCC does not extend the
// includer's target region to friends defined inside a class.
#define CALVERINE_AVX2 __attribute__((target("avx2,fma"), always_inline))

struct alignas(32) Vec8 {
    static constexpr int kLanes = 8;
    static constexpr int kGroups = 2;  // groups of four lanes per vector

    __m256 v;
    Vec8() = default;  // unset: the loops set every vector they read
    CALVERINE_AVX2 explicit Vec8(__m256 x) : v(x) {}
    CALVERINE_AVX2 explicit Vec8(float x) : v(_mm256_set1_ps(x)) {}
    CALVERINE_AVX2 static Vec8 loadUnaligned(const float* p) { return Vec8(_mm256_loadu_ps(p)); }
    CALVERINE_AVX2 void storeUnaligned(float* p) const { _mm256_storeu_ps(p, v); }
    // Four lanes from each of two rows.
    CALVERINE_AVX2 static Vec8 loadRows(const float* const* rows) {
        return Vec8(_mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ps(rows[0])), _mm_load_ps(rows[1]), 1));
    }
    CALVERINE_AVX2 void storeRows(float* const* rows) const {
        _mm_store_ps(rows[0], _mm256_castps256_ps128(v));
        _mm_store_ps(rows[1], _mm256_extractf128_ps(v, 1));
    }
    CALVERINE_AVX2 friend Vec8 operator+(Vec8 a, Vec8 b) { return Vec8(_mm256_add_ps(a.v, b.v)); }
    CALVERINE_AVX2 friend Vec8 operator-(Vec8 a, Vec8 b) { return Vec8(_mm256_sub_ps(a.v, b.v)); }
    CALVERINE_AVX2 friend Vec8 operator*(Vec8 a, Vec8 b) { return Vec8(_mm256_mul_ps(a.v, b.v)); }
    CALVERINE_AVX2 friend Vec8 operator/(Vec8 a, Vec8 b) { return Vec8(_mm256_div_ps(a.v, b.v)); }
    CALVERINE_AVX2 friend Vec8 min(Vec8 a, Vec8 b) { return Vec8(_mm256_min_ps(a.v, b.v)); }
    CALVERINE_AVX2 friend Vec8 max(Vec8 a, Vec8 b) { return Vec8(_mm256_max_ps(a.v, b.v)); }
    CALVERINE_AVX2 friend Vec8 reciprocal(Vec8 x) {
        const __m256 r = _mm256_rcp_ps(x.v);
        return Vec8(_mm256_mul_ps(r, _mm256_sub_ps(_mm256_set1_ps(2.0f), _mm256_mul_ps(x.v, r))));
    }
    CALVERINE_AVX2 friend Vec8 roughReciprocal(Vec8 x) { return Vec8(_mm256_rcp_ps(x.v)); }
    CALVERINE_AVX2 friend Vec8 operator>=(Vec8 a, Vec8 b) { return Vec8(_mm256_cmp_ps(a.v, b.v, _CMP_GE_OQ)); }
    CALVERINE_AVX2 friend Vec8 operator<(Vec8 a, Vec8 b) { return Vec8(_mm256_cmp_ps(a.v, b.v, _CMP_LT_OQ)); }
    CALVERINE_AVX2 friend Vec8 operator&(Vec8 a, Vec8 b) { return Vec8(_mm256_and_ps(a.v, b.v)); }
    CALVERINE_AVX2 friend Vec8 operator|(Vec8 a, Vec8 b) { return Vec8(_mm256_or_ps(a.v, b.v)); }
    CALVERINE_AVX2 friend Vec8 andNot(Vec8 mask, Vec8 b) { return Vec8(_mm256_andnot_ps(mask.v, b.v)); }
    CALVERINE_AVX2 friend bool any(Vec8 mask) { return _mm256_movemask_ps(mask.v) != 0; }
    CALVERINE_AVX2 friend Vec8 select(Vec8 mask, Vec8 a, Vec8 b) { return Vec8(_mm256_blendv_ps(b.v, a.v, mask.v)); }
    // The same range reduction and series as Vec4's.
    CALVERINE_AVX2 friend Vec8 exp2(Vec8 x) {
        x = Vec8(_mm256_min_ps(_mm256_max_ps(x.v, _mm256_set1_ps(-126.0f)), _mm256_set1_ps(126.0f)));
        const __m256i n = _mm256_cvtps_epi32(x.v);
        const Vec8 f = x - Vec8(_mm256_cvtepi32_ps(n));
        const Vec8 p =
            Vec8(1.0f) +
            f * (Vec8(0.69314718f) +
                 f * (Vec8(0.24022651f) +
                      f * (Vec8(0.05550411f) + f * (Vec8(0.00961813f) + f * (Vec8(0.00133336f) + f * Vec8(0.00015404f))))));
        const __m256i scale = _mm256_slli_epi32(_mm256_add_epi32(n, _mm256_set1_epi32(127)), 23);
        return p * Vec8(_mm256_castsi256_ps(scale));
    }
    // table[int(position)] in every lane (positions within the table).
    CALVERINE_AVX2 static Vec8 gather(const float* table, Vec8 position) {
        return Vec8(_mm256_i32gather_ps(table, _mm256_cvttps_epi32(position.v), 4));
    }
    // out[j] += the sum of rows[j]'s lanes, for j < count (a multiple of 4):
    // the two halves of four rows added, then two rounds of pairwise sums.
    CALVERINE_AVX2 static void addLaneSums(const Vec8* rows, int count, float* out) {
        for (int j = 0; j < count; j += 4) {
            __m128 half[4];
            for (int k = 0; k < 4; ++k)
                half[k] = _mm_add_ps(_mm256_castps256_ps128(rows[j + k].v), _mm256_extractf128_ps(rows[j + k].v, 1));
            const __m128 sums = _mm_hadd_ps(_mm_hadd_ps(half[0], half[1]), _mm_hadd_ps(half[2], half[3]));
            _mm_storeu_ps(out + j, _mm_add_ps(_mm_loadu_ps(out + j), sums));
        }
    }
    CALVERINE_AVX2 Vec8& operator+=(Vec8 b) { return *this = *this + b; }
    CALVERINE_AVX2 Vec8& operator-=(Vec8 b) { return *this = *this - b; }
    CALVERINE_AVX2 Vec8& operator*=(Vec8 b) { return *this = *this * b; }
};

#undef CALVERINE_AVX2
