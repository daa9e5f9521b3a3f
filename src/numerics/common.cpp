#include "numerics/common.h"

#include <cstdlib>

namespace noxara {

int cmp_double(const void* a, const void* b) noexcept {
  const double x = *static_cast<const double*>(a);
  const double y = *static_cast<const double*>(b);
  if (x > y) return 1;
  if (x < y) return -1;
  return 0;
}

double simpson(simpson_fn f, void* ctx, double lo, double hi, int N) {
  const double h = (hi - lo) / N;
  const double flo = f(lo, ctx);
  const double fhi = f(hi, ctx);
  double s = flo + fhi;
  for (int i = 1; i < N; ++i) {
    const double w = (i % 2 == 1) ? 4.0 : 2.0;
    s += w * f(lo + i * h, ctx);
  }
  return h / 3.0 * s;
}

}  // namespace noxara
