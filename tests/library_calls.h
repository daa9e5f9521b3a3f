// One small, valid call of every routine that takes heap scratch (and of the
// seeded and log-gamma routines), shared by the allocation-failure and the
// concurrency tests. Each call writes into one caller array of `nout` values;
// routines with two output arrays get consecutive parts of it.
#ifndef NOXARA_TESTS_LIBRARY_CALLS_H
#define NOXARA_TESTS_LIBRARY_CALLS_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "noxara.h"

namespace libcalls {

// What a call leaves when its scratch cannot be had at all.
enum class Failure {
  kNaN,        // every output slot NaN (NaN prefill or NaN marker)
  kUntouched,  // the output exactly as the caller passed it
  kNaNWhereNeeded,  // NaN in the values that need scratch; the others computed
  kNoScratch,  // takes no heap scratch (seeded or log-gamma routines, for the threads test)
};

struct Call {
  const char* name;
  std::size_t nout;
  Failure failure;
  void (*run)(double* out);
};

// Inputs shared by the calls: built once, read only afterwards.
struct Data {
  double u12[12], th12[12];
  double x30[30], y30[30], ys30[30];
  double x62[62], y62[62];
  double th60[60];
  double bx[24], by[24];   // bc curve with noise
  double kx[30], ky[30];   // Gumbel-shaped kappa-4 curve with noise
  Data() {
    for (int i = 0; i < 12; ++i) {
      u12[i] = (i + 0.3 + 0.2 * (i % 3)) / 12.5;
      th12[i] = 0.45 * i + 0.07 * (i % 4);
    }
    for (int i = 0; i < 30; ++i) {
      x30[i] = -2.0 + 6.0 * i / 29.0;
      y30[i] = 0.5 + 2.0 * k4_F(x30[i], 0.8, 0.9, 0.2, 0.7) + 0.01 * ((i * 7) % 5 - 2);
      ys30[i] = 0.3 * std::sin(1.7 * i) + 0.05 * i;
    }
    std::sort(ys30, ys30 + 30);
    for (int i = 0; i < 62; ++i) {
      x62[i] = 10.0 * i / 61.0;
      y62[i] = 0.5 + 2.0 * k4_F(x62[i], 5.0, 1.0, 0.1, 0.4) +
               0.05 * std::sin(2.3 * i + 0.4) * std::cos(0.71 * i);
    }
    double un[60];
    for (int i = 0; i < 60; ++i) un[i] = (i + 0.5) / 60.0;
    const double pre[3] = {1.0, 0.3, -0.1}, pim[3] = {0.0, 0.2, 0.05};
    const int n60 = 60, np = 3, nodes = 200;
    const double mu = 2.0;
    noxc_rand_fr(un, &n60, pre, pim, &np, &mu, &nodes, th60);
    // bc curve g0 + g1*F((x - mu)/sr) with al = -0.65, be = -0.375.
    const double al = -0.65, be = -0.375;
    double z[24];
    for (int i = 0; i < 24; ++i) z[i] = (-1.0 + 12.0 * i / 23.0) / 10.0;
    const int n24 = 24;
    double F[24];
    noxeq2_bc_cdf(&n24, z, &al, &be, F);
    for (int i = 0; i < 24; ++i) {
      bx[i] = -1.0 + 12.0 * i / 23.0;
      by[i] = 1.0 + 2.0 * F[i] + 0.04 * std::sin(3.1 * i);
    }
    for (int i = 0; i < 30; ++i) {
      kx[i] = 1.0 + 12.0 * i / 29.0;
      ky[i] = 0.5 + 2.0 * k4_F(kx[i], 5.0, 1.5, 0.0, 0.0) + 0.03 * std::cos(2.2 * i);
    }
  }
};

inline const Data& data() {
  static const Data d;
  return d;
}

// Shared settings of the fitting families.
constexpr double kPre[3] = {1.0, 0.3, -0.1}, kPim[3] = {0.0, 0.2, 0.05};
constexpr double kTheta6[6] = {0.5, 2.0, 5.0, 1.0, 0.1, 0.4};
constexpr double kBreaks[4] = {-1.0, 0.5, 2.0, 4.0};
constexpr double kBcCal[2] = {-0.95, -0.1}, kBcCbe[2] = {-0.525, -0.1};
constexpr double kBcAlo = -0.9, kBcAhi = -0.52;
constexpr double kK4Lh[2] = {-0.5, 0.5}, kK4Lk[2] = {-0.1, 0.1};
constexpr double kK4Hlo = -0.5, kK4Hhi = 0.5;
constexpr double kSimCal[2] = {-0.6, -0.4}, kSimCbe[2] = {-0.45, -0.35};
constexpr double kSimAlo = -0.85, kSimAhi = -0.15, kSimSde = 0.05;
constexpr double kSimTh0[6] = {0.2, 1.5, 1.0, 2.0, -0.5, -0.4};
constexpr double kSimSt5[3] = {0.0, 0.0, 0.0};
constexpr double kSimThref[12] = {0.9, 2.2, -0.5, -0.2, 0.9, 2.2, -0.5, -0.55, 0.9, 2.2, -0.5, -0.7};

inline const std::vector<Call>& calls() {
  using F = Failure;
  static const std::vector<Call> table = {
      {"al_statistic", 1, F::kUntouched,
       [](double* o) { const int n = 12; al_statistic(&n, data().u12, o); }},
      {"bb_post", 8, F::kUntouched,
       [](double* o) { const int n = 12, M = 4, s = 5; bb_post(&n, data().u12, &M, &s, o); }},
      {"bb_ref", 12, F::kUntouched,
       [](double* o) { const int n = 6, D = 2, m = 3, s = 7; bb_ref(&n, &D, &m, &s, o); }},
      {"cf_arclength_emp", 1, F::kNoScratch,
       [](double* o) {
         const int n = 30, ng = 50;
         const double T = 2.0;
         cf_arclength_emp(data().x30, &n, &T, &ng, o);
       }},
      {"noxvc_icc_oneway", 3, F::kNaN,
       [](double* o) {
         const int g[12] = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2};
         const int n = 12, ng = 3;
         noxvc_icc_oneway(data().ys30, g, &n, &ng, o);
       }},
      {"noxq_arclength", 1, F::kUntouched,
       [](double* o) {
         const double c[2] = {0.5, -0.2}, sg = 1.5;
         const int k = 2, nodes = 40;
         noxq_arclength(c, &k, &sg, &nodes, o);
       }},
      {"sample_lmoments_c", 4, F::kUntouched,
       [](double* o) { const int n = 30, m = 4; sample_lmoments_c(data().ys30, &n, &m, o); }},
      {"noxq_fit_cf_c", 5, F::kNaN,
       [](double* o) { const int n = 30; noxq_fit_cf_c(data().ys30, &n, o); }},
      {"al_band_sample", 1, F::kUntouched,
       [](double* o) {
         const int n = 30;
         const double a = 0.1, b = 0.9;
         al_band_sample(data().ys30, &n, &a, &b, o);
       }},
      {"al_scale", 1, F::kUntouched,
       [](double* o) {
         const int n = 30;
         const double a = 0.1, b = 0.9;
         al_scale(data().ys30, &n, &a, &b, o);
       }},
      {"al_scale_raw", 1, F::kUntouched,
       [](double* o) {
         const int n = 30;
         const double a = 0.1, b = 0.9;
         al_scale_raw(data().ys30, &n, &a, &b, o);
       }},
      {"noxc_Q_fr", 12, F::kUntouched,
       [](double* o) {
         const int nu = 12, np = 3, nodes = 64;
         noxc_Q_fr(data().u12, &nu, kPre, kPim, &np, &nodes, o);
       }},
      {"noxc_dens_fr", 12, F::kUntouched,
       [](double* o) {
         const int nth = 12, np = 3, nodes = 64;
         const double mu = 0.5;
         noxc_dens_fr(data().th12, &nth, kPre, kPim, &np, &mu, &nodes, o);
       }},
      {"noxc_rand_fr", 12, F::kUntouched,
       [](double* o) {
         const int n = 12, np = 3, nodes = 64;
         const double mu = 0.5;
         noxc_rand_fr(data().u12, &n, kPre, kPim, &np, &mu, &nodes, o);
       }},
      {"noxc_lmom", 6, F::kUntouched,
       [](double* o) { const int n = 12, nm = 3; noxc_lmom(data().u12, &n, &nm, o); }},
      {"noxc_qmin_rho", 1, F::kNoScratch,
       [](double* o) {
         const double rr[2] = {0.3, 0.1}, ri[2] = {0.1, -0.05};
         const int nm = 2, nodes = 16;
         noxc_qmin_rho(rr, ri, &nm, &nodes, o);
       }},
      {"noxc_admiss", 5, F::kUntouched,
       [](double* o) {
         const double rr[2] = {0.8, 0.1}, ri[2] = {0.0, 0.2}, margin = 0.1;
         const int nm = 2, nodes = 16;
         noxc_admiss(rr, ri, &nm, &margin, &nodes, o);
       }},
      {"noxc_factorise", 6, F::kUntouched,
       [](double* o) {
         const double rr[2] = {0.3, 0.1}, ri[2] = {0.1, -0.05};
         const int nm = 2;
         noxc_factorise(rr, ri, &nm, o);
       }},
      {"noxc_fit_fr", 9, F::kUntouched,
       [](double* o) {
         const int n = 60, M = 2, nodes = 128;
         const double margin = 0.0;
         noxc_fit_fr(data().th60, &n, &M, &margin, &nodes, o);
       }},
      {"noxc_fit3", 4, F::kNoScratch,
       [](double* o) { const int n = 12, nodes = 64; noxc_fit3(data().th12, &n, &nodes, o); }},
      {"noxc_exact_ci", 6, F::kNaN,
       [](double* o) {
         const double cg[3] = {-0.5, 0.0, 0.5}, lev = 0.05;
         const int n = 12, B = 9, s = 3, ng = 3, st = 1, gr = 0;
         noxc_exact_ci(data().th12, &n, &B, &s, cg, &ng, &st, &gr, &lev, o);
       }},
      {"noxc_gof", 2, F::kNaN,
       [](double* o) {
         const double c3 = 0.1, mu = 0.2;
         const int n = 12, B = 9, s = 4;
         noxc_gof(data().th12, &n, &c3, &mu, &B, &s, o);
       }},
      {"noxk4_tau34", 4, F::kNaN,
       [](double* o) {
         const double k = 0.1, h = 0.4;
         const int nodes = 20;
         noxk4_tau34(&k, &h, &nodes, o);
       }},
      {"noxk4_readings", 3, F::kNaN,
       [](double* o) { const int grid = 200; noxk4_readings(kTheta6, &grid, o); }},
      {"noxk4_band_model", 3, F::kNaN,
       [](double* o) {
         const int J = 3, nodes = 20;
         const double p = 2.0;
         noxk4_band_model(kTheta6, kBreaks, &J, &nodes, &p, o);
       }},
      {"noxk4_band_sample", 3, F::kNoScratch,
       [](double* o) {
         const int n = 30, J = 3;
         const double p = 2.0;
         noxk4_band_sample(data().x30, data().y30, &n, kBreaks, &J, &p, o);
       }},
      {"noxk4_band_trop_mean", 3, F::kNoScratch,
       [](double* o) {
         const int n = 30, J = 3;
         const double sg = 0.05;
         noxk4_band_trop_mean(data().x30, &n, kTheta6, &sg, kBreaks, &J, o);
       }},
      {"noxk4_runmed", 30, F::kNoScratch,
       [](double* o) { const int n = 30, w = 5; noxk4_runmed(data().y30, &n, &w, o); }},
      {"noxk4_fit_lmom", 3, F::kNaN,
       [](double* o) {
         const double t3 = 0.1, t4 = 0.15;
         const int nodes = 20;
         noxk4_fit_lmom(&t3, &t4, &nodes, o);
       }},
      {"noxk4_fit_aleq", 4, F::kNaN,
       [](double* o) {
         const double bands[6] = {0.1, 0.3, 0.3, 0.6, 0.6, 0.9};
         const double start[3] = {0.0, 0.1, std::log(0.5)};
         const int n = 30, J = 3;
         noxk4_fit_aleq(data().ys30, &n, bands, &J, start, o);
       }},
      {"noxk4_fit_nls", 7, F::kNoScratch,
       [](double* o) {
         const double st[6] = {0.4, std::log(1.8), 0.6, std::log(1.0), 0.1, std::log(0.6)};
         const int n = 30;
         noxk4_fit_nls(data().x30, data().y30, &n, st, o);
       }},
      {"noxk4_fit_nls_drift", 8, F::kNoScratch,
       [](double* o) {
         const double st[7] = {0.4, 0.0, std::log(1.8), 0.6, std::log(1.0), 0.1, std::log(0.6)};
         const int n = 30;
         noxk4_fit_nls_drift(data().x30, data().y30, &n, st, o);
       }},
      {"noxk4_fit_nalr", 7, F::kNaN,
       [](double* o) {
         const double st[6] = {0.4, std::log(1.8), 0.6, std::log(1.0), 0.1, std::log(0.6)};
         const double lambda = 1.0, p = 2.0;
         const int n = 30, J = 3, w = 3;
         noxk4_fit_nalr(data().x30, data().y30, &n, &J, &lambda, &w, &p, st, o);
       }},
      {"noxk4_fit_varpro", 8, F::kNaN,
       [](double* o) {
         const double starts[8] = {0.5, 0.0, 0.1, 0.5, 1.0, std::log(0.8), 0.2, 0.7};
         const double bounds[4] = {-0.9, 0.9, 0.0, 2.0};
         const double hfree = std::numeric_limits<double>::quiet_NaN();
         const int n = 30, ns = 2, maxit = 200;
         noxk4_fit_varpro(data().x30, data().y30, &n, starts, &ns, &maxit, bounds, &hfree, o);
       }},
      {"noxk4_mv_boot", 16, F::kNaN,
       [](double* o) {
         const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
         const double cutx = data().x62[0];
         const int n = 62, B = 1, s = -17, maxit = 4;
         noxk4_mv_boot(data().x62, data().y62, &n, &cutx, &B, &s, bounds, &maxit, o, o + 8);
       }},
      {"noxeq_readings", 5, F::kNaN,
       [](double* o) {
         const double al = -0.7, be = -0.4, th[3] = {0.1, -0.05, 0.02};
         const int nth = 3, ng = 401;
         noxeq_readings(&al, &be, &nth, th, &ng, o);
       }},
      {"noxeq_readings_vsl", 5, F::kNaN,
       [](double* o) {
         const double l = 0.3, d = 0.3;
         const int ng = 1001;
         noxeq_readings_vsl(&l, &d, &ng, o);
       }},
      {"noxeq2_bc_q", 12, F::kNoScratch,
       [](double* o) {
         const int n = 12;
         const double al = -0.5, be = -0.3;
         noxeq2_bc_q(&n, data().u12, &al, &be, o);
       }},
      {"noxeqfit_blocklen", 1, F::kNoScratch,
       [](double* o) {
         const int n = 30;
         int b = -1;
         noxeqfit_blocklen(data().ys30, &n, &b);
         o[0] = static_cast<double>(b);
       }},
      {"noxeqfit_bc", 9, F::kNaN,
       [](double* o) {
         const double st[5] = {1.05, std::log(1.9), 0.2, std::log(10.4), 0.3};
         const int n = 24, ns = 1, np = 5, maxit = 40, nc = 2;
         noxeqfit_bc(data().bx, data().by, &n, st, &ns, &np, &maxit, kBcCal, kBcCbe, &nc, &kBcAlo,
                     &kBcAhi, o);
       }},
      {"noxeqfit_bc_boot", 2, F::kNaN,
       [](double* o) {
         const double th[6] = {1.0, 2.0, 0.0, 10.0, -0.65, -0.375};
         const int n = 24, B = 2, s = 77, maxit = 25, nc = 2;
         noxeqfit_bc_boot(data().bx, data().by, &n, th, &B, &s, &maxit, kBcCal, kBcCbe, &nc,
                          &kBcAlo, &kBcAhi, o);
       }},
      {"noxeqfit_k4eq", 8, F::kNaNWhereNeeded,
       [](double* o) {
         const double st[5] = {0.55, std::log(1.9), 5.2, std::log(1.4), 0.2};
         const int n = 30, ns = 1, maxit = 60, nl = 2;
         noxeqfit_k4eq(data().kx, data().ky, &n, st, &ns, &maxit, kK4Lh, kK4Lk, &nl, &kK4Hlo,
                       &kK4Hhi, o);
       }},
      {"noxeqfit_k4eq_boot", 2, F::kNaN,
       [](double* o) {
         const double th[6] = {0.5, 2.0, 5.0, 1.5, 0.0, 0.0};
         const double p0[5] = {0.5, std::log(2.0), 5.0, std::log(1.5), 0.0};
         const int n = 30, B = 2, s = -12, maxit = 30, nl = 2;
         noxeqfit_k4eq_boot(data().kx, data().ky, &n, th, p0, &B, &s, &maxit, kK4Lh, kK4Lk, &nl,
                            &kK4Hlo, &kK4Hhi, o);
       }},
      {"noxeqfit_score_at", 1, F::kNaN,
       [](double* o) {
         const double mu = 0.0, sg = 10.0, al = -0.65, be = -0.375;
         const int n = 24;
         noxeqfit_score_at(data().bx, data().by, &n, &mu, &sg, &al, &be, o);
       }},
      {"noxeqfit_msim", 8, F::kNaN,
       [](double* o) {
         const int N = 16, R = 1, s = 3, maxit = 4, nc = 2;
         noxeqfit_msim(&N, &kSimSde, &R, &s, kSimTh0, kSimSt5, &maxit, kSimCal, kSimCbe, &nc,
                       &kSimAlo, &kSimAhi, kSimThref, o);
       }},
      {"noxeqfit_nullT", 1, F::kNaN,
       [](double* o) {
         const int N = 16, R = 1, s = 3, maxit = 4, nc = 2;
         noxeqfit_nullT(&N, &kSimSde, &R, &s, kSimTh0, kSimSt5, &maxit, kSimCal, kSimCbe, &nc,
                        &kSimAlo, &kSimAhi, o);
       }},
      {"noxeqfit_estsim", 6, F::kNaN,
       [](double* o) {
         const double a0 = 0.45, b0 = 0.8;
         const int R = 1, sizes[1] = {20}, nn = 1, s = 3, maxit = 10;
         noxeqfit_estsim(&a0, &b0, &R, sizes, &nn, &s, &maxit, o);
       }},
      {"noxeqfit_taus", 8, F::kNaN,
       [](double* o) {
         const double a0 = 0.45, b0 = 0.8;
         const int R = 2, n = 18, s = -77;
         noxeqfit_taus(&a0, &b0, &R, &n, &s, o);
       }},
      {"noxeqfit_bsweep", 2, F::kNaN,
       [](double* o) {
         const double ks[2] = {0.1, 0.2}, h = 0.4;
         const int nk = 2;
         noxeqfit_bsweep(ks, &nk, &h, o);
       }},
      {"noxeqfit_absweep", 4, F::kNaN,
       [](double* o) {
         const double ks[2] = {0.1, 0.2}, h = 0.4;
         const int nk = 2;
         noxeqfit_absweep(ks, &nk, &h, o, o + 2);
       }},
      {"noxeqfit_Esweep", 2, F::kNoScratch,
       [](double* o) {
         const double al = -0.6, bg[2] = {-0.5, -0.2};
         const int nb = 2;
         noxeqfit_Esweep(&al, bg, &nb, o);
       }},
  };
  return table;
}

}  // namespace libcalls

#endif
