#pragma once
// Integer arithmetic with the rounding rules the geometry depends on.
#include <cstdint>

namespace velmo {

// a * b / c through a 64-bit intermediate, rounded to nearest with halves away
// from zero. A zero divisor gives -1 instead of trapping, and a result outside the
// 32-bit range also gives -1, so a bad geometry value never brings the program down.
int MulDiv(int a, int b, int c);

// Division and remainder that truncate toward zero, the remainder taking the sign
// of the dividend. Division by zero yields 0 rather than a trap; INT_MIN / -1 wraps.
int Div(int a, int b);
int Mod(int a, int b);
int64_t Div64(int64_t a, int64_t b);
int64_t Mod64(int64_t a, int64_t b);

// Rounds to the nearest integer, halves away from zero (x + 0.5 truncated for
// x >= 0, x - 0.5 truncated otherwise), as the geometry's float steps expect.
int RoundHalfAway(double value);
int RoundHalfAway(long double value);

// Keeps the low 32 bits, as two's-complement 32-bit arithmetic would.
int32_t Wrap32(int64_t value);

} // namespace velmo
