#include "randomsource.h"

#include <chrono>

int RandomSource::below(int count)
{
    if (count <= 0)
        return 0;
    const int value = static_cast<int>(next() * count);
    // next() < 1 keeps value below count; the clamp guards a source that breaks that promise.
    return value < 0 ? 0 : (value >= count ? count - 1 : value);
}

ClockRandomSource::ClockRandomSource()
{
    reseed();
}

void ClockRandomSource::reseed()
{
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seq{static_cast<std::uint64_t>(ticks), static_cast<std::uint64_t>(ticks) >> 32,
                      ++m_reseeds, static_cast<std::uint64_t>(std::random_device{}())};
    m_engine.seed(seq);
}

double ClockRandomSource::next()
{
    return std::generate_canonical<double, 53>(m_engine);
}
