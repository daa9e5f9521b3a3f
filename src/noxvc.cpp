// Variance components: the one-way random-effects intraclass correlation with
// its within- and between-group standard deviations, and the distance of
// points to a piecewise-linear locus.

#include <cmath>
#include <cstddef>
#include <limits>

#include "noxara.h"
#include "numerics/common.h"
#include "numerics/scratch.h"

extern "C" NOXARA_API void noxvc_icc_oneway(const double* y, const int* g, const int* n,
                                            const int* ng, double* out) {
  using namespace noxara;
  const int G = *ng;
  const int N = *n;
  if (!(G > 1 && N > G)) {
    fill_nan(out, 3);
    return;
  }
  const std::size_t nG = static_cast<std::size_t>(G);
  const std::size_t nN = static_cast<std::size_t>(N);
  Scratch<double> sums(nG, true);
  Scratch<int> counts(nG, true);
  if (!sums.ok() || !counts.ok()) {
    fill_nan(out, 3);
    return;
  }
  double total = 0.0;
  for (std::size_t i = 0; i < nN; ++i) {
    const int lab = g[i];
    if (lab < 0 || lab >= G) {
      fill_nan(out, 3);
      return;
    }
    sums[static_cast<std::size_t>(lab)] += y[i];
    total += y[i];
    counts[static_cast<std::size_t>(lab)] += 1;
  }
  const double Nd = static_cast<double>(N);
  double SSB = 0.0, S2 = 0.0;
  for (std::size_t j = 0; j < nG; ++j) {
    if (counts[j] <= 0) {  // every group must be represented
      fill_nan(out, 3);
      return;
    }
    // Counts enter as doubles: the square of a large count overflows an int.
    const double c = static_cast<double>(counts[j]);
    const double e = sums[j] / counts[j] - total / Nd;
    SSB += c * e * e;
    S2 += c * c;
  }
  double SSW = 0.0;
  for (std::size_t i = 0; i < nN; ++i) {
    const std::size_t j = static_cast<std::size_t>(g[i]);
    const double dv = y[i] - sums[j] / counts[j];
    SSW += dv * dv;
  }
  const double MSW = SSW / (N - G);
  const double k0 = (Nd - S2 / Nd) / (G - 1);
  const double f = (SSB / (G - 1) - MSW) / k0;
  double vb;
  if (k0 <= 0.0)
    vb = 0.0;
  else
    vb = (f < 0.0) ? 0.0 : f;  // a NaN estimate stays NaN
  out[0] = (vb + MSW > 0.0) ? vb / (vb + MSW) : nan_marker();
  out[1] = std::sqrt(MSW);
  out[2] = std::sqrt(vb);
}

extern "C" NOXARA_API void noxvc_locus_dist(const double* h, const double* k, const int* n,
                                            const double* lh, const double* lk,
                                            const int* nl, double* out) {
  using namespace noxara;
  const int N = *n;
  const int L = *nl;
  const std::size_t nN = N > 0 ? static_cast<std::size_t>(N) : 0;
  if (L <= 0) {
    fill_nan(out, nN);
    return;
  }
  const std::size_t nL = static_cast<std::size_t>(L);
  for (std::size_t i = 0; i < nN; ++i) {
    const double px = h[i], py = k[i];
    if (!std::isfinite(px) || !std::isfinite(py)) {
      out[i] = nan_marker();
      continue;
    }
    if (nL == 1) {
      const double dx = px - lh[0], dy = py - lk[0];
      out[i] = std::sqrt(dx * dx + dy * dy);
      continue;
    }
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t j = 0; j + 1 < nL; ++j) {
      const double ax = lh[j], ay = lk[j];
      const double vx = lh[j + 1] - ax, vy = lk[j + 1] - ay;
      const double vv = vx * vx + vy * vy;
      double qx = ax, qy = ay;  // nearest point of the segment
      if (vv > 0.0) {
        const double t = ((px - ax) * vx + (py - ay) * vy) / vv;
        if (t < 0.0) {
          // stays at A
        } else if (t > 1.0) {
          qx = lh[j + 1];
          qy = lk[j + 1];
        } else {
          qx = ax + t * vx;
          qy = ay + t * vy;
        }
      }
      const double dx = px - qx, dy = py - qy;
      const double dist = std::sqrt(dx * dx + dy * dy);
      if (dist < best) best = dist;
    }
    out[i] = best;
  }
}
