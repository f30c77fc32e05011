#include "base/UNumbers.h"
#include <climits>

namespace velmo {

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const int64_t product = int64_t(a) * int64_t(b);
    const uint64_t absProduct = product < 0 ? uint64_t(-(product + 1)) + 1 : uint64_t(product);
    const uint64_t absDivisor = c < 0 ? uint64_t(-(int64_t(c))) : uint64_t(c);
    uint64_t quotient = absProduct / absDivisor;
    const uint64_t remainder = absProduct % absDivisor;
    if (remainder * 2 >= absDivisor)
        ++quotient;
    const bool negative = (product < 0) != (c < 0);
    if (quotient > uint64_t(INT_MAX) + (negative ? 1u : 0u))
        return -1;
    return negative ? int(-int64_t(quotient)) : int(quotient);
}

int Div(int a, int b)
{
    if (b == 0)
        return 0;
    if (b == -1)
        return Wrap32(-int64_t(a));
    return a / b;
}

int Mod(int a, int b)
{
    if (b == 0 || b == -1)
        return 0;
    return a % b;
}

int64_t Div64(int64_t a, int64_t b)
{
    if (b == 0)
        return 0;
    if (b == -1)
        return int64_t(0 - uint64_t(a));
    return a / b;
}

int64_t Mod64(int64_t a, int64_t b)
{
    if (b == 0 || b == -1)
        return 0;
    return a % b;
}

int RoundHalfAway(double value)
{
    return value >= 0 ? int(value + 0.5) : int(value - 0.5);
}

int RoundHalfAway(long double value)
{
    return value >= 0 ? int(value + 0.5L) : int(value - 0.5L);
}

int32_t Wrap32(int64_t value)
{
    return int32_t(uint32_t(uint64_t(value)));
}

} // namespace velmo
