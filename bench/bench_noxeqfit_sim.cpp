// One replicate of each simulation study of the curve-fitting family at a
// realistic size, and the reading sweeps over a typical grid.
#include <benchmark/benchmark.h>

#include <vector>

#include "noxara.h"

namespace {

// Constrained curve table, true curve and reference shapes of the model-fit
// simulation.
const double kCal[5] = {-0.9, -0.7, -0.5, -0.3, -0.1};
const double kCbe[5] = {-0.55, -0.45, -0.38, -0.3, -0.2};
const int kNc = 5;
const double kAlo = -0.85, kAhi = -0.15;
const double kTh0[6] = {0.2, 1.5, 1.0, 2.0, -0.5, -0.38};
const double kSt5[3] = {0.0, 0.0, 0.0};
const double kThref[12] = {0.9, 2.2, -0.5, -0.18, 0.9, 2.2, -0.5, -0.53, 0.9, 2.2, -0.5, -0.68};

void BM_noxeqfit_msim(benchmark::State& st) {
  const int N = 60, R = 1, seed = 1, maxit = 400;
  const double sde = 0.05;
  std::vector<double> out(8 * R);
  for (auto _ : st) {
    noxeqfit_msim(&N, &sde, &R, &seed, kTh0, kSt5, &maxit, kCal, kCbe, &kNc, &kAlo, &kAhi,
                  kThref, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxeqfit_msim)->Iterations(1)->Unit(benchmark::kSecond);

void BM_noxeqfit_nullT(benchmark::State& st) {
  const int N = 60, R = 1, seed = 1, maxit = 400;
  const double sde = 0.05;
  std::vector<double> out(R);
  for (auto _ : st) {
    noxeqfit_nullT(&N, &sde, &R, &seed, kTh0, kSt5, &maxit, kCal, kCbe, &kNc, &kAlo, &kAhi,
                   out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxeqfit_nullT)->Iterations(1)->Unit(benchmark::kSecond);

void BM_noxeqfit_estsim(benchmark::State& st) {
  const double a0 = 0.5, b0 = 0.75;
  const int R = 1, nsizes[1] = {100}, nn = 1, seed = 1, maxit = 400;
  std::vector<double> out(6 * R);
  for (auto _ : st) {
    noxeqfit_estsim(&a0, &b0, &R, nsizes, &nn, &seed, &maxit, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxeqfit_estsim)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_noxeqfit_taus(benchmark::State& st) {
  const double a0 = 0.5, b0 = 0.75;
  const int R = 1, n = 1000, seed = 1;
  std::vector<double> out(4 * R);
  for (auto _ : st) {
    noxeqfit_taus(&a0, &b0, &R, &n, &seed, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxeqfit_taus)->Unit(benchmark::kMillisecond);

void BM_noxeqfit_bsweep(benchmark::State& st) {
  const int nk = 20;
  const double h = -0.2;
  std::vector<double> ks(nk), ob(nk);
  for (int i = 0; i < nk; ++i) ks[i] = -0.4 + 0.04 * i;
  for (auto _ : st) {
    noxeqfit_bsweep(ks.data(), &nk, &h, ob.data());
    benchmark::DoNotOptimize(ob.data());
  }
}
BENCHMARK(BM_noxeqfit_bsweep)->Unit(benchmark::kMillisecond);

void BM_noxeqfit_absweep(benchmark::State& st) {
  const int nk = 20;
  const double h = -0.2;
  std::vector<double> ks(nk), oa(nk), ob(nk);
  for (int i = 0; i < nk; ++i) ks[i] = -0.4 + 0.04 * i;
  for (auto _ : st) {
    noxeqfit_absweep(ks.data(), &nk, &h, oa.data(), ob.data());
    benchmark::DoNotOptimize(ob.data());
  }
}
BENCHMARK(BM_noxeqfit_absweep)->Unit(benchmark::kMillisecond);

void BM_noxeqfit_Esweep(benchmark::State& st) {
  const int nb = 100;
  const double alpha = -0.6;
  std::vector<double> bg(nb), out(nb);
  for (int i = 0; i < nb; ++i) bg[i] = -0.99 + 0.0098 * i;
  for (auto _ : st) {
    noxeqfit_Esweep(&alpha, bg.data(), &nb, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxeqfit_Esweep)->Unit(benchmark::kMillisecond);

}  // namespace
