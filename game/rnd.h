// The uniform generator behind the letter draw.
//
// randomize() folds a seed into the current state instead of replacing it,
// so re-seeding with the same value twice in one second does not repeat a
// draw.  next() yields single-precision values in [0, 1).
#pragma once

#include <cstdint>

namespace lexidrop {

class Rnd {
public:
    explicit Rnd(std::uint64_t state = 0x853c49e6748fea9bULL) : state_(state) {}
    void randomize(int seed);
    float next();

private:
    std::uint64_t state_; // splitmix64 state
};

} // namespace lexidrop
