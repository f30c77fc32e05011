#include "base/UExtended.h"
#include <cmath>
#include <cstring>
#include <limits>

namespace velmo {

Extended80 DoubleToExtended(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const uint16_t sign = uint16_t((bits >> 63) & 1u);
    const int exponent = int((bits >> 52) & 0x7FF);
    uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);

    uint16_t outExponent = 0;
    uint64_t mantissa = 0;
    if (exponent == 0x7FF) {
        outExponent = 0x7FFF;
        mantissa = (uint64_t(1) << 63) | (fraction << 11);
    } else if (exponent == 0) {
        if (fraction != 0) {
            // Subnormal double: normalise, the extended range holds it as normal.
            int shift = 0;
            while ((fraction & (uint64_t(1) << 52)) == 0) {
                fraction <<= 1;
                ++shift;
            }
            outExponent = uint16_t(1 - 1023 - shift + 16383);
            mantissa = fraction << 11;
        }
    } else {
        outExponent = uint16_t(exponent - 1023 + 16383);
        mantissa = (uint64_t(1) << 63) | (fraction << 11);
    }
    Extended80 out{};
    for (int i = 0; i < 8; ++i)
        out[size_t(i)] = uint8_t(mantissa >> (8 * i));
    const uint16_t se = uint16_t((sign << 15) | outExponent);
    out[8] = uint8_t(se & 0xFF);
    out[9] = uint8_t(se >> 8);
    return out;
}

double ExtendedToDouble(const uint8_t* bytes)
{
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | bytes[i];
    const uint16_t se = uint16_t(bytes[8] | (uint16_t(bytes[9]) << 8));
    const bool negative = (se & 0x8000) != 0;
    const int exponent = se & 0x7FFF;
    const double sign = negative ? -1.0 : 1.0;

    if (exponent == 0x7FFF) {
        if ((mantissa << 1) == 0)
            return sign * std::numeric_limits<double>::infinity();
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (mantissa == 0)
        return negative ? -0.0 : 0.0;
    int e = (exponent == 0 ? 1 : exponent) - 16383;
    while ((mantissa & (uint64_t(1) << 63)) == 0) { // unnormals and denormals
        mantissa <<= 1;
        --e;
    }
    // Round the 64-bit significand to the bits a double keeps at this exponent,
    // to nearest with ties to even, in one step (no double rounding for subnormals).
    int drop = 11;
    if (e < -1022)
        drop += -1022 - e;
    uint64_t kept;
    if (drop >= 64) {
        const bool aboveHalf = drop == 64 && (mantissa << 1) != 0;
        kept = aboveHalf ? 1 : 0; // exactly half (or less) rounds to the even zero
        drop = 64;
    } else {
        kept = mantissa >> drop;
        const uint64_t rest = mantissa & ((uint64_t(1) << drop) - 1);
        const uint64_t half = uint64_t(1) << (drop - 1);
        if (rest > half || (rest == half && (kept & 1)))
            ++kept;
    }
    // kept * 2^(e - 63 + drop) is exact in double arithmetic: kept has at most 54 bits
    // only when it carried to a power of two.
    const double value = std::ldexp(double(kept), e - 63 + drop);
    return sign * value;
}

double ExtendedToDouble(const Extended80& bytes)
{
    return ExtendedToDouble(bytes.data());
}

} // namespace velmo
