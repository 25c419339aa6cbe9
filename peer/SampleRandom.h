#pragma once

#include <QtGlobal>

/// A small deterministic random generator (SplitMix64): the same seed gives
/// the same numbers on every machine and library version, which the
/// standard distributions do not promise. Not thread-safe; one per user.
class SampleRandom {
public:
    explicit SampleRandom(quint64 seed) : m_state(seed) {}

    quint64 next()
    {
        quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    /// A number in [0, n).
    quint64 below(quint64 n) { return n ? next() % n : 0; }
    /// A number in [low, high).
    double uniform(double low, double high)
    {
        return low + (high - low) * double(next() >> 11) / double(1ULL << 53);
    }

private:
    quint64 m_state;
};
