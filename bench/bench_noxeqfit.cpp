// Benchmarks of the curve-fitting family at realistic sizes: n = 200
// observations, 5 starts with maxit = 2000 for the fits, B = 20 replicates
// for the bootstraps.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "noxara.h"
#include "noxeq2.h"
#include "noxeqfit.h"

namespace {

using namespace noxara;

constexpr int kN = 200;

// Noisy observations of a bc curve whose be lies on a constraint table.
struct BcData {
  double th[6] = {1.0, 2.0, 20.0, 60.0, -0.62, -0.36};
  double cal[5] = {-0.95, -0.8, -0.65, -0.5, -0.35};
  double cbe[5] = {-0.5, -0.43, -0.365, -0.3, -0.24};
  int nc = 5;
  double alo = -0.9, ahi = -0.52;
  std::vector<double> x, y, starts;
  BcData() : x(kN), y(kN) {
    for (int i = 0; i < kN; ++i) x[i] = 100.0 * i / (kN - 1);
    th[5] = ef_interp(cal, cbe, nc, th[4], 1);
    ef_mbc(x.data(), kN, th, y.data());
    std::uint64_t s = ef_seed(2024, 0);
    for (double& v : y) v += 0.04 * ef_norm(s);
    const double w = (th[4] - alo) / (ahi - alo);
    const double lw = std::log(w / (1 - w));
    for (int k = 0; k < 5; ++k) {
      const double d = 0.1 * (k - 2);
      const double p[5] = {th[0] + d, std::log(th[1]) - d, th[2] + 10 * d, std::log(th[3]) + d,
                           lw + 4 * d};
      starts.insert(starts.end(), p, p + 5);
    }
  }
};

// Noisy observations of a kappa-4 curve whose k is tied to h by a table.
struct K4Data {
  double th[6] = {0.5, 2.0, 40.0, 10.0, 0.0, 0.2};
  double lh[5] = {-0.5, -0.2, 0.1, 0.4, 0.7};
  double lk[5] = {-0.2, -0.05, 0.1, 0.2, 0.25};
  int nl = 5;
  double hlo = -0.4, hhi = 0.6;
  std::vector<double> x, y, starts;
  K4Data() : x(kN), y(kN) {
    th[4] = ef_interp(lh, lk, nl, th[5], 2);
    std::uint64_t s = ef_seed(99, 0);
    for (int i = 0; i < kN; ++i) {
      x[i] = 100.0 * i / (kN - 1);
      y[i] = th[0] + th[1] * k4_F(x[i], th[2], th[3], th[4], th[5]) + 0.04 * ef_norm(s);
    }
    const double w = (th[5] - hlo) / (hhi - hlo);
    const double lw = std::log(w / (1 - w));
    for (int k = 0; k < 5; ++k) {
      const double d = 0.1 * (k - 2);
      const double p[5] = {th[0] + d, std::log(th[1]) - d, th[2] + 10 * d, std::log(th[3]) + d,
                           lw + 4 * d};
      starts.insert(starts.end(), p, p + 5);
    }
  }
};

// Quantile grid of one (al, be), as every objective evaluation builds it.
void BM_EfGrid(benchmark::State& st) {
  double ug[kEfNg], Qg[kEfNg], B;
  for (auto _ : st) {
    ef_grid(-0.62, -0.36, ug, Qg, &B);
    benchmark::DoNotOptimize(Qg);
  }
}
BENCHMARK(BM_EfGrid);

// The same grid with log B(a, b) recomputed for every point (reference for
// the shared-normaliser grid above; the values are identical).
void BM_EfGridLbetaPerPoint(benchmark::State& st) {
  double ug[kEfNg], Qg[kEfNg];
  const double a = 1 + -0.62, b = 1 + -0.36;
  for (auto _ : st) {
    for (int i = 0; i < kEfNg; ++i) ug[i] = (i * 0.999999998) / 2048.0 + 1e-9;
    const double B = std::exp(lbeta_(a, b));
    for (int i = 0; i < kEfNg; ++i) Qg[i] = B * ibeta_(a, b, ug[i]);
    benchmark::DoNotOptimize(Qg);
  }
}
BENCHMARK(BM_EfGridLbetaPerPoint);

// One evaluation of the constrained bc objective at n = 200.
void BM_BcObj(benchmark::State& st) {
  BcData d;
  std::vector<double> work(kN), zb(kN);
  const bc_ctx ctx = {d.x.data(), d.y.data(), kN, 1, d.cal, d.cbe, d.nc, d.alo, d.ahi,
                      work.data(), zb.data()};
  for (auto _ : st) benchmark::DoNotOptimize(bc_obj(d.starts.data(), &ctx));
}
BENCHMARK(BM_BcObj);

void BM_NoxeqfitBc(benchmark::State& st) {
  BcData d;
  const int n = kN, ns = 5, np = 5, maxit = 2000;
  double out[9];
  for (auto _ : st) {
    noxeqfit_bc(d.x.data(), d.y.data(), &n, d.starts.data(), &ns, &np, &maxit, d.cal, d.cbe,
                &d.nc, &d.alo, &d.ahi, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_NoxeqfitBc)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_NoxeqfitBcBoot(benchmark::State& st) {
  BcData d;
  const int n = kN, B = 20, seed = 7, maxit = 2000;
  double out[20];
  for (auto _ : st) {
    noxeqfit_bc_boot(d.x.data(), d.y.data(), &n, d.th, &B, &seed, &maxit, d.cal, d.cbe, &d.nc,
                     &d.alo, &d.ahi, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_NoxeqfitBcBoot)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_KqObj(benchmark::State& st) {
  K4Data d;
  const kq_ctx ctx = {d.x.data(), d.y.data(), kN, d.lh, d.lk, d.nl, d.hlo, d.hhi};
  for (auto _ : st) benchmark::DoNotOptimize(kq_obj(d.starts.data(), &ctx));
}
BENCHMARK(BM_KqObj);

void BM_NoxeqfitK4eq(benchmark::State& st) {
  K4Data d;
  const int n = kN, ns = 5, maxit = 2000;
  double out[8];
  for (auto _ : st) {
    noxeqfit_k4eq(d.x.data(), d.y.data(), &n, d.starts.data(), &ns, &maxit, d.lh, d.lk, &d.nl,
                  &d.hlo, &d.hhi, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_NoxeqfitK4eq)->Unit(benchmark::kMillisecond);

void BM_NoxeqfitK4eqBoot(benchmark::State& st) {
  K4Data d;
  const int n = kN, B = 20, seed = 7, maxit = 2000;
  double out[20];
  for (auto _ : st) {
    noxeqfit_k4eq_boot(d.x.data(), d.y.data(), &n, d.th, d.starts.data() + 10, &B, &seed,
                       &maxit, d.lh, d.lk, &d.nl, &d.hlo, &d.hhi, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_NoxeqfitK4eqBoot)->Unit(benchmark::kMillisecond);

void BM_NoxeqfitScoreAt(benchmark::State& st) {
  BcData d;
  const int n = kN;
  double out;
  for (auto _ : st) {
    noxeqfit_score_at(d.x.data(), d.y.data(), &n, &d.th[2], &d.th[3], &d.th[4], &d.th[5], &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_NoxeqfitScoreAt)->Unit(benchmark::kMicrosecond);

void BM_NoxeqfitBlocklen(benchmark::State& st) {
  BcData d;
  std::vector<double> m(kN), r(kN);
  ef_mbc(d.x.data(), kN, d.th, m.data());
  for (int i = 0; i < kN; ++i) r[i] = d.y[i] - m[i];
  const int n = kN;
  int out;
  for (auto _ : st) {
    noxeqfit_blocklen(r.data(), &n, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_NoxeqfitBlocklen);

}  // namespace
