// Ascending sort of samples. The reference order is that of qsort with the
// three-way comparison cmp_double. On a sample without NaN and without -0
// the values that compare equal have identical bits, so every correct sort
// delivers the same array: there a radix sort (large samples) or std::sort
// (small ones) is used; with NaN or -0 present the qsort order is kept.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "numerics/common.h"
#include "numerics/scratch.h"

namespace noxara {

namespace {

constexpr std::uint64_t kSignBit = 0x8000000000000000ULL;

// Unsigned key whose order is the numeric order of non-NaN doubles.
inline std::uint64_t key_of(double d) noexcept {
  std::uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  return (u & kSignBit) ? ~u : (u ^ kSignBit);
}

inline double double_of(std::uint64_t k) noexcept {
  const std::uint64_t u = (k & kSignBit) ? (k ^ kSignBit) : ~k;
  double d;
  std::memcpy(&d, &u, sizeof d);
  return d;
}

// Least-significant-digit radix sort on 8-bit digits; digits shared by all
// keys are skipped. False when the scratch cannot be had (x untouched).
bool radix_sort(double* x, std::size_t n) noexcept {
  Scratch<std::uint64_t> a(n), b(n);
  Scratch<std::size_t> cnt(8 * 256, true);
  if (!a.ok() || !b.ok() || !cnt.ok()) return false;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t k = key_of(x[i]);
    a[i] = k;
    for (int d = 0; d < 8; ++d) ++cnt[256 * static_cast<std::size_t>(d) + ((k >> (8 * d)) & 0xFF)];
  }
  std::uint64_t* src = a.data();
  std::uint64_t* dst = b.data();
  for (int d = 0; d < 8; ++d) {
    std::size_t* c = cnt.data() + 256 * static_cast<std::size_t>(d);
    const unsigned first = static_cast<unsigned>((src[0] >> (8 * d)) & 0xFF);
    if (c[first] == n) continue;
    std::size_t pos = 0;
    for (int v = 0; v < 256; ++v) {
      const std::size_t t = c[v];
      c[v] = pos;
      pos += t;
    }
    for (std::size_t i = 0; i < n; ++i) dst[c[(src[i] >> (8 * d)) & 0xFF]++] = src[i];
    std::swap(src, dst);
  }
  for (std::size_t i = 0; i < n; ++i) x[i] = double_of(src[i]);
  return true;
}

}  // namespace

bool sort_plain(const double* x, std::size_t n) noexcept {
  for (std::size_t i = 0; i < n; ++i) {
    std::uint64_t u;
    std::memcpy(&u, &x[i], sizeof u);
    if (x[i] != x[i] || u == kSignBit) return false;
  }
  return true;
}

void sort_doubles(double* x, std::size_t n) noexcept {
  if (n < 2) return;
  if (!sort_plain(x, n)) {
    std::qsort(x, n, sizeof(double), cmp_double);
    return;
  }
  if (n >= kRadixSortMin && radix_sort(x, n)) return;
  std::sort(x, x + n);
}

}  // namespace noxara
