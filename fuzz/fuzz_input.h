// Turning fuzzer bytes into bounded counts and doubles, and the checks every
// target shares. Doubles come either as raw bit patterns or as one of a few
// special values (NaN, infinities, zeros, extremes, small integers), so the
// non-finite paths are reached often.
#ifndef NOXARA_FUZZ_INPUT_H
#define NOXARA_FUZZ_INPUT_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : p_(data), n_(size) {}

  std::uint8_t byte() { return n_ > 0 ? (--n_, *p_++) : 0; }

  // A count in [lo, hi].
  int count(int lo, int hi) {
    const std::uint32_t span = static_cast<std::uint32_t>(hi - lo) + 1u;
    std::uint32_t v = byte();
    v = (v << 8) | byte();
    return lo + static_cast<int>(v % span);
  }

  double real() {
    const std::uint8_t tag = byte();
    switch (tag % 16) {
      case 0: return std::numeric_limits<double>::quiet_NaN();
      case 1: return std::numeric_limits<double>::infinity();
      case 2: return -std::numeric_limits<double>::infinity();
      case 3: return 0.0;
      case 4: return -0.0;
      case 5: return std::numeric_limits<double>::max();
      case 6: return std::numeric_limits<double>::denorm_min();
      case 7: return static_cast<double>(static_cast<std::int8_t>(byte()));
      case 8: {  // raw bits
        std::uint64_t b = 0;
        for (int i = 0; i < 8; ++i) b = (b << 8) | byte();
        double d;
        std::memcpy(&d, &b, sizeof d);
        return d;
      }
      default:  // a moderate value in [-4, 4]
        return (static_cast<double>(byte()) * 256.0 + byte()) / 8192.0 - 4.0;
    }
  }

  // A probability-like value: mostly in [0, 1], sometimes anything.
  double unit() {
    const std::uint8_t tag = byte();
    if (tag < 224) return (static_cast<double>(byte()) * 256.0 + byte()) / 65535.0;
    return real();
  }

  std::vector<double> reals(std::size_t n) {
    std::vector<double> v(n);
    for (double& x : v) x = real();
    return v;
  }
  std::vector<double> units(std::size_t n) {
    std::vector<double> v(n);
    for (double& x : v) x = unit();
    return v;
  }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
};

inline bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  return a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// A broken invariant stops the run with a message libFuzzer keeps.
#define FUZZ_CHECK(cond)                                                          \
  do {                                                                            \
    if (!(cond)) {                                                                \
      std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                               \
    }                                                                             \
  } while (0)

// Runs `call(out)` twice on fresh outputs of n slots prefilled with a
// sentinel; both runs must agree bit for bit. Returns the first run's output.
template <class F>
std::vector<double> twice(std::size_t n, F call) {
  std::vector<double> a(n, -7.25e301), b(n, -7.25e301);
  call(a.data());
  call(b.data());
  FUZZ_CHECK(same_bits(a, b));
  return a;
}

inline bool nan_or_in(double v, double lo, double hi) { return std::isnan(v) || (v >= lo && v <= hi); }

}  // namespace fuzz

#endif
