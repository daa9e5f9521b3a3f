// Bayesian-bootstrap arc length. Each draw gives the n sorted probabilities
// Dirichlet(1, ..., 1) weights and follows the weighted empirical distribution
// function (the ogive) from (0, 0) to (1, 1); it records the ogive's excess
// length over the diagonal and its largest vertical distance from the
// diagonal at the corners. bb_post draws for an observed sample, bb_ref for
// samples simulated from the uniform distribution.

#include <cmath>
#include <cstddef>

#include "noxara.h"
#include "numerics/rng.h"
#include "numerics/scratch.h"

namespace noxara {
namespace {

constexpr double kSqrt2 = 1.4142135623730951;

// Arc length and corner distance of the ogive through (u[i], w[0] + ... + w[i]),
// closed horizontally to (1, 1).
void ogive_disc(int n, const double* u, const double* w, double& arc, double& ks) {
  double x = 0.0, C = 0.0, a = 0.0, k = 0.0;
  for (int i = 0; i < n; ++i) {
    const double dx = u[i] - x;
    a += std::sqrt(dx * dx + w[i] * w[i]);
    C += w[i];
    const double dist = std::fabs(C - u[i]);
    if (dist > k) k = dist;  // a NaN distance leaves k unchanged
    x = u[i];
  }
  a += 1.0 - x;
  arc = a - kSqrt2;
  ks = k;
}

// One weighted draw: n exponential weights from the stream, normalised to sum
// to 1, then the ogive. An empty sample gives the diagonal's pair without
// drawing.
void one_draw(Xoshiro& rng, int n, const double* u, double* w, double& arc, double& ks) {
  if (n < 1) {
    arc = 1.0 - kSqrt2;
    ks = 0.0;
    return;
  }
  double s = 0.0;
  for (int i = 0; i < n; ++i) {
    const double e = -std::log(rng.next_unif());
    w[i] = e;
    s += e;
  }
  for (int i = 0; i < n; ++i) w[i] = w[i] / s;
  ogive_disc(n, u, w, arc, ks);
}

// Stable insertion sort: each element moves left past every element strictly
// greater than it.
void isort(double* a, int n) {
  for (int i = 1; i < n; ++i) {
    const double x = a[i];
    int j = i;
    while (j > 0 && a[j - 1] > x) {
      a[j] = a[j - 1];
      --j;
    }
    a[j] = x;
  }
}

}  // namespace
}  // namespace noxara

extern "C" NOXARA_API void bb_post(const int* n, const double* u, const int* M,
                                   const int* seed, double* out) {
  using namespace noxara;
  const int nn = *n;
  const int MM = *M;
  Xoshiro rng;
  rng.seed_rng(*seed);
  // An empty sample needs no weights; a zero-size request is not a failure.
  Scratch<double> w(nn > 0 ? static_cast<std::size_t>(nn) : 0);
  if (!w.ok()) return;
  for (int m = 0; m < MM; ++m) {
    const std::size_t c = 2 * static_cast<std::size_t>(m);
    one_draw(rng, nn, u, w.data(), out[c], out[c + 1]);
  }
}

extern "C" NOXARA_API void bb_ref(const int* n, const int* D, const int* m,
                                  const int* seed, double* out) {
  using namespace noxara;
  const int nn = *n;
  const int DD = *D;
  const int mm = *m;
  // With no samples or no draws per sample nothing is written, and the
  // stream dies with the call, so there is nothing to compute.
  if (DD <= 0 || mm <= 0) return;
  Xoshiro rng;
  rng.seed_rng(*seed);
  const std::size_t len = nn > 0 ? static_cast<std::size_t>(nn) : 0;
  Scratch<double> v(len);
  Scratch<double> w(len);
  if (!v.ok() || !w.ok()) return;
  const std::size_t per = static_cast<std::size_t>(mm);
  for (int d = 0; d < DD; ++d) {
    for (int i = 0; i < nn; ++i) v[i] = rng.next_unif();
    isort(v.data(), nn);
    for (int j = 0; j < mm; ++j) {
      const std::size_t c = static_cast<std::size_t>(d) * per + static_cast<std::size_t>(j);
      one_draw(rng, nn, v.data(), w.data(), out[2 * c], out[2 * c + 1]);
    }
  }
}
