#include "game/rnd.h"

namespace lexidrop {

namespace {

std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

} // namespace

void Rnd::randomize(int seed)
{
    state_ = mix(state_ ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(seed)) << 17));
}

float Rnd::next()
{
    state_ += 0x9e3779b97f4a7c15ULL;
    // 24 bits fill a float's mantissa exactly, so the result stays below 1.
    return static_cast<float>(mix(state_) >> 40) / 16777216.0f;
}

} // namespace lexidrop
