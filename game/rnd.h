// The uniform generator behind the letter draw.
//
// UniformSource is what the draw needs: re-seed, then take one value in
// [0, 1).  Rnd is the game's own: randomize() folds a seed into the current
// state instead of replacing it, so re-seeding with the same value twice in
// one second does not repeat a draw.  Tests may hand the game another source.
#pragma once

#include <cstdint>

namespace lexidrop {

class UniformSource {
public:
    virtual ~UniformSource() = default;
    // Mixes a seed into the generator; its previous state still takes part.
    virtual void randomize(int seed) = 0;
    // Next uniform draw, 0 <= u < 1.
    virtual float next() = 0;
};

class Rnd : public UniformSource {
public:
    explicit Rnd(std::uint64_t state = 0x853c49e6748fea9bULL) : state_(state) {}
    void randomize(int seed) override;
    float next() override;

private:
    std::uint64_t state_; // splitmix64 state
};

} // namespace lexidrop
