// Small shared pieces: the NaN marker, the sort comparison, the Simpson rule.
#ifndef NOXARA_NUMERICS_COMMON_H
#define NOXARA_NUMERICS_COMMON_H

#include <math.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace noxara {

// The quiet NaN written for a value that is not available (bits 0x7FF8000000000000).
inline double nan_marker() noexcept {
  const std::uint64_t bits = 0x7FF8000000000000ULL;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// Fill out[0..n-1] with the NaN marker.
inline void fill_nan(double* out, std::size_t n) noexcept {
  const double q = nan_marker();
  for (std::size_t i = 0; i < n; ++i) out[i] = q;
}

// log|Gamma(x)| without touching the C library's shared sign variable:
// lgamma writes the global signgam on every call, a data race when several
// threads take a log-gamma at once. lgamma_r computes the same value with the
// sign kept in a local.
inline double lgamma_nosign(double x) noexcept {
  int sign = 0;
  return ::lgamma_r(x, &sign);
}

// Three-way comparison of doubles for qsort: +1, -1 or 0. NaN compares equal
// to everything, so a NaN in the sample cannot make the sort misbehave.
int cmp_double(const void* a, const void* b) noexcept;

// Sort x[0..n-1] ascending in place: the array qsort with cmp_double gives.
// Without NaN and -0 (sort_plain) a radix sort from kRadixSortMin values on
// and std::sort below; otherwise qsort itself.
void sort_doubles(double* x, std::size_t n) noexcept;
constexpr std::size_t kRadixSortMin = 512;
// True when x[0..n-1] holds no NaN and no negative zero.
bool sort_plain(const double* x, std::size_t n) noexcept;

// Integrand of the composite Simpson rule: f(x, context).
typedef double (*simpson_fn)(double x, void* ctx);

// Composite Simpson rule on [lo, hi] with N (even) subintervals:
// h = (hi - lo)/N, weights 1, 4, 2, ..., 4, 1, result h/3 times the weighted
// sum. The sum starts with f(lo) + f(hi) and adds the interior nodes
// lo + i*h for i = 1..N-1 in order.
double simpson(simpson_fn f, void* ctx, double lo, double hi, int N);

}  // namespace noxara

#endif
