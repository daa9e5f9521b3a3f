// The library sort delivers exactly the array of qsort with the three-way
// comparison, on every kind of sample and around the size thresholds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "numerics/common.h"
#include "numerics/rng.h"

namespace {

using noxara::kRadixSortMin;

const double kInf = std::numeric_limits<double>::infinity();
const double kDen = std::numeric_limits<double>::denorm_min();

// Sample of size n of one kind, drawn from a fixed stream.
std::vector<double> sample(const std::string& kind, std::size_t n, std::uint64_t seed) {
  std::uint64_t s = noxara::sm_seed(static_cast<int>(seed), 3);
  std::vector<double> v(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double u = noxara::sm_unif(s);
    if (kind == "uniform") v[i] = u;
    else if (kind == "signed") v[i] = (u - 0.5) * 1e6;
    else if (kind == "ties") v[i] = std::floor(u * 4.0) - 2.0;  // includes +0
    else if (kind == "wide") v[i] = std::ldexp(u - 0.5, static_cast<int>(u * 2000.0) - 1000);
    else if (kind == "denormal") v[i] = (u < 0.5 ? -1.0 : 1.0) * kDen * std::floor(u * 50.0);
    else if (kind == "infinite") v[i] = u < 0.1 ? kInf : (u > 0.9 ? -kInf : u - 0.5);
    else if (kind == "sorted") v[i] = static_cast<double>(i);
    else if (kind == "reversed") v[i] = -static_cast<double>(i);
    else if (kind == "equal") v[i] = 1.25;
    else if (kind == "nan") v[i] = u < 0.05 ? std::nan("") : u;
    else if (kind == "negzero") v[i] = u < 0.3 ? -0.0 : (u < 0.6 ? 0.0 : u - 0.8);
    else if (kind == "nan_negzero") v[i] = u < 0.1 ? std::nan("") : (u < 0.5 ? -0.0 : u);
    else if (kind == "one_nan_last") v[i] = (i + 1 == n) ? std::nan("") : u;
    else if (kind == "one_negzero_first") v[i] = i == 0 ? -0.0 : u;
  }
  return v;
}

TEST(NumericsSort, SameArrayAsQsortOnAdversarialSamples) {
  const char* kinds[] = {"uniform", "signed",   "ties",  "wide",         "denormal",
                         "infinite", "sorted",  "reversed", "equal",    "nan",
                         "negzero", "nan_negzero", "one_nan_last", "one_negzero_first"};
  const std::size_t sizes[] = {0, 1, 2, 3, 17, kRadixSortMin - 1, kRadixSortMin,
                               kRadixSortMin + 1, 4099, 20000};
  for (const char* kind : kinds)
    for (std::size_t n : sizes)
      for (std::uint64_t seed : {1u, 2u}) {
        std::vector<double> want = sample(kind, n, seed), got = want;
        if (n > 1) std::qsort(want.data(), n, sizeof(double), noxara::cmp_double);
        noxara::sort_doubles(got.data(), n);
        EXPECT_TRUE(n == 0 || std::memcmp(got.data(), want.data(), n * sizeof(double)) == 0)
            << kind << ", n = " << n << ", seed " << seed;
      }
}

TEST(NumericsSort, PlainSamplesHoldNoNaNAndNoNegativeZero) {
  struct Case {
    std::vector<double> v;
    bool plain;
  };
  const Case cases[] = {
      {{}, true},
      {{0.0, 1.0, -1.0, kInf, -kInf, kDen, -kDen}, true},
      {{1.0, -0.0}, false},
      {{std::nan(""), 1.0}, false},
      {{1.0, -std::nan("")}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(noxara::sort_plain(c.v.data(), c.v.size()), c.plain) << c.v.size();
}

}  // namespace
