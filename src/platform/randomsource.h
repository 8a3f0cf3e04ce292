#pragma once

#include <cstdint>
#include <random>

// The uniform generator behind every draw and shuffle. Screens take it by reference so
// tests can script exact values.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // Starts a new sequence from the clock.
    virtual void reseed() = 0;
    // A uniform value in [0, 1).
    virtual double next() = 0;

    // Int(Rnd x count): a whole number from 0 to count - 1.
    int below(int count);
};

// The program's generator: reseeds from a high-resolution clock mixed with a counter, so
// two reseeds within the same second (or the same clock tick) give different sequences.
class ClockRandomSource : public RandomSource
{
public:
    ClockRandomSource();
    void reseed() override;
    double next() override;

private:
    std::mt19937_64 m_engine;
    std::uint64_t m_reseeds = 0;
};
