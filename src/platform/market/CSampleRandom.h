#pragma once

#include <cmath>
#include <cstdint>

namespace TC {

// Small deterministic random source of the sample market (xoshiro256** seeded
// by splitmix64). Written out here rather than taken from <random> so the
// sample is bit-identical across standard libraries.
class CSampleRandom
{
public:
    explicit CSampleRandom(std::uint64_t seed)
    {
        std::uint64_t x = seed;
        for (std::uint64_t& s : m_s) {
            x += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = x;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            s = z ^ (z >> 31);
        }
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(m_s[1] * 5, 7) * 9;
        const std::uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Uniform integer in [0, n).
    int below(int n) { return n <= 0 ? 0 : int(uniform() * n); }

    // Standard normal (Box-Muller, one value per call).
    double normal()
    {
        double u1 = uniform();
        if (u1 < 1e-300)
            u1 = 1e-300;
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }

    // Stable 64-bit hash of a text, to derive per-instrument streams.
    static std::uint64_t hash(const char* text)
    {
        std::uint64_t h = 1469598103934665603ULL;
        for (; *text; ++text) {
            h ^= static_cast<unsigned char>(*text);
            h *= 1099511628211ULL;
        }
        return h;
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t m_s[4];
};

} // namespace TC
