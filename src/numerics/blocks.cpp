#include "numerics/blocks.h"

#include <cmath>
#include <cstddef>

#include "numerics/rng.h"

namespace noxara {

int acf_blocklen(const double* r, int n) noexcept {
  // An empty series has no autocorrelation; the rule's floor applies.
  if (n <= 0) return 2;
  const std::size_t nn = static_cast<std::size_t>(n);
  double sum = 0.0;
  for (std::size_t i = 0; i < nn; ++i) sum += r[i];
  const double rb = sum / static_cast<double>(n);
  double den = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    const double d = r[i] - rb;
    den += d * d;
  }
  const double thr = 2.0 / std::sqrt(static_cast<double>(n));
  const int L = (n - 2 < 200) ? n - 2 : 200;
  for (int l = 1; l <= L; ++l) {
    const std::size_t lag = static_cast<std::size_t>(l);
    double c = 0.0;
    for (std::size_t i = 0; i + lag < nn; ++i) c += (r[i] - rb) * (r[i + lag] - rb);
    if (std::fabs(c / den) < thr) return (l > 2) ? l : 2;
  }
  // n >= 1 here, so the cube root is finite and small: the cast is safe.
  const int b = static_cast<int>(std::pow(static_cast<double>(n), 0.3333333333333333) + 0.5);
  return (b > 2) ? b : 2;
}

bool moving_block_draw(const double* m0, const double* r, int n, int bl, std::uint64_t& s,
                       double* out) noexcept {
  if (bl < 1 || bl > n) return false;
  const int nstart = n - bl + 1;  // block starts 0 .. n - bl
  int pos = 0;
  while (pos < n) {
    const double u = sm_unif(s);
    // u < 1 and nstart <= n, so the product lies in [0, n]: the cast is safe.
    int i0 = static_cast<int>(u * static_cast<double>(nstart));
    if (i0 > n - bl) i0 = n - bl;
    for (int i = 0; i < bl && pos < n; ++i) {
      out[pos] = m0[pos] + r[i0 + i];
      ++pos;
    }
  }
  return true;
}

}  // namespace noxara
