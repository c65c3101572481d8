// Rounding and integer helpers used wherever the library rounds or divides.
#pragma once

#include <cmath>
#include <cstdint>

namespace zv {

// Nearest integer, halves to even (0.5 -> 0, 1.5 -> 2, -2.5 -> -2).
inline int64_t RoundHalfEven(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

// 32-bit round for page units; values outside the range saturate.
inline int32_t Round32(double v)
{
    double r = std::nearbyint(v);
    if (!(r > -2147483648.0)) return INT32_MIN;  // also NaN
    if (r > 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(r);
}

// A 64-bit value brought into the 32-bit range, saturating at its ends.
constexpr int32_t Saturate32(int64_t v)
{
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

// Integer division and remainder truncating toward zero (C++ already does; named for intent).
inline int64_t DivTrunc(int64_t a, int64_t b) { return a / b; }
inline int64_t ModTrunc(int64_t a, int64_t b) { return a % b; }

// a * b / c with a 64-bit intermediate, truncating toward zero (GDI's MulDiv rounds; this does not).
inline int32_t MulDivTrunc(int32_t a, int32_t b, int32_t c)
{
    return static_cast<int32_t>(static_cast<int64_t>(a) * b / c);
}

}  // namespace zv
