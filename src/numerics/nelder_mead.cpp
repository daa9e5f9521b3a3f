#include "numerics/nelder_mead.h"

#include <cmath>

#include "numerics/common.h"

namespace noxara {

namespace {

// The one algorithm; the homes differ in storage width, initial step rule,
// stop comparison and objective form.
template <int W, bool kVarpro, class Fn, class Ctx>
void simplex_min(Fn f, Ctx ctx, int d, const double* start, int maxit,
                 double* xout, double* fout) {
  // Coordinates touched by the arithmetic; copies carry all W stored ones in
  // the variable-projection home.
  const int nc = kVarpro ? W : d;
  double S[W + 1][W];
  double fv[W + 1] = {};
  double cen[W], xr[W], xe[W], xc[W];

  for (int i = 0; i <= d; ++i)
    for (int j = 0; j < nc; ++j) S[i][j] = start[j];
  for (int i = 1; i <= d; ++i) {
    const double s = start[i - 1];
    double step;
    if (kVarpro)
      step = (std::fabs(s) > 1e-8) ? 0.1 * std::fabs(s) : 0.1;
    else
      step = (s != 0.0) ? 0.1 * std::fabs(s) : 0.1;
    S[i][i - 1] = s + step;
  }
  for (int i = 0; i <= d; ++i) fv[i] = f(S[i], ctx);

  for (int iter = 0; iter < maxit; ++iter) {
    int lo = 0, hi = 0;
    for (int i = 1; i <= d; ++i) {
      if (fv[i] < fv[lo]) lo = i;
      if (fv[i] > fv[hi]) hi = i;
    }
    int nh = (hi == 0) ? 1 : 0;
    for (int i = 0; i <= d; ++i)
      if (i != hi && fv[i] > fv[nh]) nh = i;

    const double spread = std::fabs(fv[hi] - fv[lo]);
    const double tol = (std::fabs(fv[lo]) + 1e-12) * 1e-12;
    if (kVarpro ? (spread <= tol) : (spread < tol)) break;

    for (int j = 0; j < nc; ++j) cen[j] = 0.0;
    for (int i = 0; i <= d; ++i) {
      if (i == hi) continue;
      for (int j = 0; j < nc; ++j) cen[j] += S[i][j] / d;
    }
    for (int j = 0; j < nc; ++j) xr[j] = (cen[j] - S[hi][j]) + cen[j];
    const double fr = f(xr, ctx);

    if (fr < fv[lo]) {
      for (int j = 0; j < nc; ++j) xe[j] = 2.0 * (cen[j] - S[hi][j]) + cen[j];
      const double fe = f(xe, ctx);
      if (fe < fr) {
        for (int j = 0; j < nc; ++j) S[hi][j] = xe[j];
        fv[hi] = fe;
      } else {
        for (int j = 0; j < nc; ++j) S[hi][j] = xr[j];
        fv[hi] = fr;
      }
    } else if (fr < fv[nh]) {
      for (int j = 0; j < nc; ++j) S[hi][j] = xr[j];
      fv[hi] = fr;
    } else {
      for (int j = 0; j < nc; ++j) xc[j] = 0.5 * (S[hi][j] - cen[j]) + cen[j];
      const double fc = f(xc, ctx);
      if (fc < fv[hi]) {
        for (int j = 0; j < nc; ++j) S[hi][j] = xc[j];
        fv[hi] = fc;
      } else {
        for (int i = 0; i <= d; ++i) {
          if (i == lo) continue;
          for (int j = 0; j < nc; ++j) S[i][j] = 0.5 * (S[i][j] - S[lo][j]) + S[lo][j];
          fv[i] = f(S[i], ctx);
        }
      }
    }
  }

  int lo = 0;
  for (int i = 1; i <= d; ++i)
    if (fv[i] < fv[lo]) lo = i;
  for (int j = 0; j < nc; ++j) xout[j] = S[lo][j];
  *fout = fv[lo];
}

}  // namespace

void nelder_mead(objfn f, const void* ctx, int d, const double* start, int maxit,
                 double* xout, double* fout) {
  simplex_min<kNelderMeadMaxDim, false>(f, ctx, d, start, maxit, xout, fout);
}

void nmd(objfn_mut f, void* ctx, int d, const double* start, int maxit,
         double* xout, double* fout) {
  simplex_min<kNmdMaxDim, true>(f, ctx, d, start, maxit, xout, fout);
}

}  // namespace noxara

extern "C" NOXARA_API void noxk4_nmd(objfn f, const void* ctx, int d, const double* start,
                                     int maxit, double* xout, double* fout) {
  // The simplex lives in fixed storage for at most 7 coordinates: a larger
  // (or non-positive) dimension is refused rather than overrunning it.
  if (d < 1 || d > noxara::kNelderMeadMaxDim) {
    for (int j = 0; j < d; ++j) xout[j] = start[j];
    *fout = noxara::nan_marker();
    return;
  }
  noxara::nelder_mead(f, ctx, d, start, maxit, xout, fout);
}
