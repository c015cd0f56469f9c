// The numbers of the rules: 16-bit integers whose overflow is a failure,
// positions rounded to nearest with ties to even, and the failure itself.
// Shared by every part of the core (the well's geometry, the scoring).
#pragma once

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace lexidrop {

// A run-time failure of the rules (an index outside its array, a 16-bit
// overflow).  A landing turns it into game over.
class RuleFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Round to nearest, ties to even, as every position-to-integer conversion does.
inline double roundHalfEven(double value)
{
    const double down = std::floor(value);
    const double diff = value - down;
    if (diff < 0.5) {
        return down;
    }
    if (diff > 0.5) {
        return down + 1.0;
    }
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

// Rounded conversion to a 16-bit integer; out of range is a failure.
inline std::int16_t toInt16(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= INT16_MIN && r <= INT16_MAX)) {
        throw RuleFailure("16-bit overflow");
    }
    return static_cast<std::int16_t>(r);
}

// 16-bit signed sum; overflow is a failure.
inline std::int16_t add16(int a, int b)
{
    const int sum = a + b;
    if (sum < INT16_MIN || sum > INT16_MAX) {
        throw RuleFailure("16-bit overflow");
    }
    return static_cast<std::int16_t>(sum);
}

} // namespace lexidrop
