// Measurements on kappa-4 curves y = g0 + g1*F(x): the readings (tangent
// intercept, flank inflection, steepest point), L_p arc lengths of the model
// curve and of an observed polyline within x-bands, the expected L-infinity
// length of noisy observations, and a running median.
#include <cmath>
#include <cstddef>

#include "noxara.h"
#include "noxk4.h"
#include "numerics/common.h"
#include "numerics/gl01.h"
#include "numerics/scratch.h"

namespace noxara {

namespace {

// Longest window of the running median.
constexpr int kRunmedMax = 129;

}  // namespace

double pnorm2(double a, double b, double p) {
  if (!std::isfinite(p) || p <= 0.0) return std::fmax(a, b);
  if (p == 2.0) return std::sqrt(a * a + b * b);
  if (p == 1.0) return a + b;
  return std::pow(std::pow(a, p) + std::pow(b, p), 1.0 / p);
}

double band_model_one(const double* th, double a, double b, int nodes,
                      const double* x01, const double* w01, double p) {
  const double g1 = th[1], mu = th[2], sg = th[3], k = th[4], h = th[5];
  double s = 0.0;
  for (int i = 0; i < nodes; ++i) {
    const double u = (b - a) * x01[i] + a;
    s += ((b - a) * w01[i]) * pnorm2(1.0, std::fabs(g1 * k4_f(u, mu, sg, k, h)), p);
  }
  return s;
}

double k4_norm_pdf(double z) { return std::exp(-0.5 * z * z) / 2.5066282746310002; }

double k4_norm_cdf(double z) { return 0.5 * std::erfc(-z * 0.7071067811865476); }

double k4_emax(double d, double mu, double s) {
  if (s <= 0.0) return std::fmax(d, std::fabs(mu));
  const double a = (d - mu) / s, b = (-d - mu) / s;
  const double Pa = k4_norm_cdf(a), Pb = k4_norm_cdf(b);
  const double hi = s * k4_norm_pdf(a) + (1.0 - Pa) * mu;
  const double lo = mu * Pb - s * k4_norm_pdf(b);
  return hi + (Pa - Pb) * d - lo;
}

int cmp_d(const void* a, const void* b) { return cmp_double(a, b); }

double med_of(double* buf, int m) {
  if (m % 2 == 1) return buf[m / 2];
  return (buf[m / 2 - 1] + buf[m / 2]) * 0.5;
}

}  // namespace noxara

using noxara::k4_f;
using noxara::k4_q;
using noxara::pnorm2;

extern "C" NOXARA_API void noxk4_readings(const double* theta, const int* grid, double* out) {
  const double g1 = theta[1], mu = theta[2], sg = theta[3], h = theta[5];
  double k = theta[4];
  // The readings are taken on a curve with k kept away from 0.
  if (std::fabs(k) < 1e-4) k = (k < 0.0) ? -1e-4 : 1e-4;
  noxara::fill_nan(out, 3);

  const int G = *grid;
  if (G < 2) return;  // no grid step
  const double x0 = k4_q(0.001, mu, sg, k, h), x1 = k4_q(0.999, mu, sg, k, h);
  if (!std::isfinite(x0) || !std::isfinite(x1) || !(x0 < x1)) return;

  const std::size_t nG = static_cast<std::size_t>(G);
  double c0;
  {
    noxara::Scratch<double> s(nG);
    if (!s.ok()) return;
    const double dx = (x1 - x0) / (G - 1);
    // Steepest grid point: first maximum of the slope, searched from -1.
    double best = -1.0;
    int ic = -1;
    for (int i = 0; i < G; ++i) {
      s[i] = g1 * k4_f(x0 + i * dx, mu, sg, k, h);
      if (s[i] > best) {
        best = s[i];
        ic = i;
      }
    }
    // No slope above -1 (a steeply falling or undefined curve), or a peak at
    // an end of the grid: no readings.
    if (ic <= 0 || ic == G - 1) return;
    c0 = x0 + ic * dx;
    out[2] = c0;
    out[0] = c0 - g1 * noxara::k4_cdf(c0, mu, sg, k, h) / s[ic];
  }

  if (!(c0 > x0)) return;
  noxara::Scratch<double> t(nG);
  if (!t.ok()) return;
  const double dz = (c0 - x0) / (G - 1);
  double m = 0.0;
  for (int i = 0; i < G; ++i) {
    t[i] = g1 * k4_f(x0 + i * dz, mu, sg, k, h);
    if (t[i] > m) m = t[i];
  }
  const double thr = 1e-13 * m;
  if (G > 3) {
    // First sign change of the second differences of the slope.
    for (int i = 1; i <= G - 3; ++i) {
      const double Di = (t[i + 1] - 2.0 * t[i]) + t[i - 1];
      if (std::fabs(Di) > thr) {
        const double Dn = t[i] + (t[i + 2] - 2.0 * t[i + 1]);
        if (std::fabs(Dn) > thr && ((Di > 0.0 && Dn < 0.0) || (Di < 0.0 && Dn > 0.0))) {
          out[1] = x0 + i * dz;
          break;
        }
      }
    }
  }
}

extern "C" NOXARA_API void noxk4_band_model(const double* theta, const double* breaks,
                                            const int* J, const int* nodes, const double* p,
                                            double* out) {
  const int nb = *J, nn = *nodes;
  const double pp = *p;
  if (nb <= 0) return;
  const std::size_t sz = (nn > 0) ? static_cast<std::size_t>(nn) : 0;
  noxara::Scratch<double> x01(sz), w01(sz);
  if (!x01.ok() || !w01.ok()) {
    noxara::fill_nan(out, static_cast<std::size_t>(nb));
    return;
  }
  noxara::gl01(nn, x01.data(), w01.data());
  for (int j = 0; j < nb; ++j)
    out[j] = noxara::band_model_one(theta, breaks[j], breaks[j + 1], nn, x01.data(),
                                    w01.data(), pp);
}

extern "C" NOXARA_API void noxk4_band_sample(const double* x, const double* y, const int* n,
                                             const double* breaks, const int* J,
                                             const double* p, double* out) {
  const int nn = *n, nb = *J;
  const double pp = *p;
  if (nb <= 0) return;
  for (int j = 0; j < nb; ++j) out[j] = 0.0;
  for (int i = 1; i < nn; ++i) {
    const double a = std::fabs(x[i] - x[i - 1]), b = std::fabs(y[i] - y[i - 1]);
    const double len = pnorm2(a, b, pp);
    const double xm = (x[i - 1] + x[i]) * 0.5;
    for (int j = 0; j < nb; ++j) {
      if (breaks[j] <= xm && xm < breaks[j + 1]) {
        out[j] += len;
        break;
      }
    }
  }
}

extern "C" NOXARA_API void noxk4_band_trop_mean(const double* x, const int* n,
                                                const double* theta, const double* sigma,
                                                const double* breaks, const int* J,
                                                double* out) {
  const int nn = *n, nb = *J;
  // Without a band there is nowhere to put a segment.
  if (nb <= 0) return;
  for (int j = 0; j < nb; ++j) out[j] = 0.0;
  if (nn < 2) return;
  const double g0 = theta[0], g1 = theta[1], mu = theta[2], sg = theta[3], k = theta[4],
               h = theta[5];
  // The difference of two independent errors has standard deviation sqrt(2)*sigma.
  const double sd = 1.4142135623730951 * *sigma;
  for (int i = 1; i < nn; ++i) {
    const double d = x[i] - x[i - 1];
    const double dm = (g0 + g1 * noxara::k4_cdf(x[i], mu, sg, k, h)) - (g0 + g1 * noxara::k4_cdf(x[i - 1], mu, sg, k, h));
    const double e = noxara::k4_emax(d, dm, sd);
    // The right end point decides; a segment beyond the last limit goes to
    // the last band.
    int jb = nb - 1;
    for (int j = 0; j < nb; ++j) {
      if (x[i] <= breaks[j + 1]) {
        jb = j;
        break;
      }
    }
    out[jb] += e;
  }
}

extern "C" NOXARA_API void noxk4_runmed(const double* y, const int* n, const int* w, double* out) {
  const int nn = *n, ww = *w;
  if (nn <= 0) return;
  if (ww < 0) {
    // A negative window has no meaning.
    noxara::fill_nan(out, static_cast<std::size_t>(nn));
    return;
  }
  const long long half = ww / 2;
  double buf[noxara::kRunmedMax];
  for (long long i = 0; i < nn; ++i) {
    const long long lo = (i - half > 0) ? i - half : 0;
    const long long hi = (i + half < nn - 1) ? i + half : nn - 1;
    const long long len = hi - lo + 1;
    const int m = static_cast<int>(len < noxara::kRunmedMax ? len : noxara::kRunmedMax);
    for (int j = 0; j < m; ++j) buf[j] = y[lo + j];
    noxara::sort_doubles(buf, static_cast<std::size_t>(m));
    out[i] = noxara::med_of(buf, m);
  }
}
