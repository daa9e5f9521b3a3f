// Random streams: the SplitMix64 stream (one 64-bit word of state) with its
// uniform and normal conversions and the per-replicate seed derivation, and
// the xoshiro256** generator of the Bayesian bootstrap. All arithmetic is on
// unsigned 64-bit words modulo 2^64; results are bit-exact functions of the
// seed and the replicate index.
#ifndef NOXARA_NUMERICS_RNG_H
#define NOXARA_NUMERICS_RNG_H

#include <cmath>
#include <cstdint>

namespace noxara {

constexpr std::uint64_t kGamma = 0x9E3779B97F4A7C15ULL;  // SplitMix64 increment
constexpr std::uint64_t kM1 = 0xBF58476D1CE4E5B9ULL;     // finaliser / replicate multiplier
constexpr std::uint64_t kM2 = 0x94D049BB133111EBULL;     // finaliser multiplier
constexpr double kTwoPow53Inv = 1.1102230246251565e-16;  // 2^-53

// SplitMix64 finaliser.
inline std::uint64_t sm_mix(std::uint64_t z) noexcept {
  z = (z ^ (z >> 30)) * kM1;
  z = (z ^ (z >> 27)) * kM2;
  return z ^ (z >> 31);
}

// One step of a SplitMix64 stream: advance by the increment, return the mix.
inline std::uint64_t sm_next(std::uint64_t& s) noexcept {
  s += kGamma;
  return sm_mix(s);
}

// Uniform on [0, 1) from a stream: k * 2^-53 with k in [0, 2^53).
inline double sm_unif(std::uint64_t& s) noexcept {
  return static_cast<double>(sm_next(s) >> 11) * kTwoPow53Inv;
}

// Stream word of replicate j for an integer seed: mix(seed*gamma XOR (j+1)*M1),
// the seed sign-extended to 64 bits.
inline std::uint64_t sm_seed(int seed, int j) noexcept {
  const std::uint64_t s = static_cast<std::uint64_t>(static_cast<std::int64_t>(seed));
  const std::uint64_t r = static_cast<std::uint64_t>(static_cast<std::int64_t>(j)) + 1u;
  return sm_mix((s * kGamma) ^ (r * kM1));
}

// Normal deviate by Box-Muller, cosine branch only: two uniforms per normal.
inline double sm_norm(std::uint64_t& s) noexcept {
  const double u1 = sm_unif(s);
  const double u2 = sm_unif(s);
  const double m2log = (u1 < 1e-300) ? 1381.5510557964274 : -2.0 * std::log(u1);
  const double r = std::sqrt(m2log);
  return r * std::cos(6.283185307179586 * u2);
}

// xoshiro256** generator seeded through SplitMix64 from a 32-bit seed.
struct Xoshiro {
  std::uint64_t xs[4];
  std::uint64_t sm_state;

  std::uint64_t splitmix64() noexcept {
    sm_state += kGamma;
    return sm_mix(sm_state);
  }
  // The seed enters as an unsigned 32-bit value widened to 64 bits
  // (zero-extended: -1 gives 0x00000000FFFFFFFF).
  void seed_rng(int seed) noexcept {
    sm_state = static_cast<std::uint64_t>(static_cast<std::uint32_t>(seed));
    xs[0] = splitmix64();
    xs[1] = splitmix64();
    xs[2] = splitmix64();
    xs[3] = splitmix64();
  }
  static std::uint64_t rotl(std::uint64_t x, int k) noexcept {
    return (x << k) | (x >> (64 - k));
  }
  std::uint64_t next_u64() noexcept {
    const std::uint64_t result = rotl(xs[1] * 5, 7) * 9;
    const std::uint64_t t = xs[1] << 17;
    xs[2] ^= xs[0];
    xs[3] ^= xs[1];
    xs[1] ^= xs[2];
    xs[0] ^= xs[3];
    xs[2] ^= t;
    xs[3] = rotl(xs[3], 45);
    return result;
  }
  // Uniform strictly inside (0, 1): ((x >> 11) + 0.5) * 2^-53.
  double next_unif() noexcept {
    return (static_cast<double>(next_u64() >> 11) + 0.5) * kTwoPow53Inv;
  }
};

}  // namespace noxara

#endif
