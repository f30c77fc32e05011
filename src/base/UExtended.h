#pragma once
// The 80-bit extended-precision floats of the stream format, converted by hand so
// that the bytes do not depend on the compiler's long double.
#include <array>
#include <cstdint>

namespace velmo {

using Extended80 = std::array<uint8_t, 10>;

// Exact for every double (the extended format has more range and precision).
Extended80 DoubleToExtended(double value);
// Rounds to nearest even; values beyond the double range become infinity, values
// below it become zero or a subnormal. NaN stays NaN. Unnormal encodings are read
// by their value.
double ExtendedToDouble(const Extended80& bytes);
double ExtendedToDouble(const uint8_t* bytes);

} // namespace velmo
