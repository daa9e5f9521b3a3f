// Fourier-series circular family and its fit: one benchmark per routine at
// sizes typical of use (quantile grids of 1000 nodes, samples of a few hundred
// angles, 4 to 5 coefficients).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "noxara.h"

namespace {

const double kPre[5] = {1.0, 0.4, -0.2, 0.1, 0.05};
const double kPim[5] = {0.0, 0.3, 0.15, -0.05, 0.02};
const int kNp = 5;
const int kNodes = 1000;
const double kMu = 0.7;

std::vector<double> grid01(int n) {
  std::vector<double> u(n);
  for (int i = 0; i < n; ++i) u[i] = (i + 0.5) / n;
  return u;
}

// A skewed sample of angles drawn from the family.
std::vector<double> sample(int n) {
  std::vector<double> u = grid01(n), th(n);
  noxc_rand_fr(u.data(), &n, kPre, kPim, &kNp, &kMu, &kNodes, th.data());
  return th;
}

void BM_noxc_qd_fr(benchmark::State& st) {
  const int n = 1000;
  std::vector<double> u = grid01(n), out(n);
  for (auto _ : st) {
    noxc_qd_fr(u.data(), &n, kPre, kPim, &kNp, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxc_qd_fr);

void BM_noxc_trigmom_fr(benchmark::State& st) {
  const int p = 2;
  double out[2];
  for (auto _ : st) {
    noxc_trigmom_fr(&p, kPre, kPim, &kNp, &kMu, &kNodes, out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_noxc_trigmom_fr);

void BM_noxc_Q_fr(benchmark::State& st) {
  const int n = 1000;
  std::vector<double> u = grid01(n), out(n);
  for (auto _ : st) {
    noxc_Q_fr(u.data(), &n, kPre, kPim, &kNp, &kNodes, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxc_Q_fr);

void BM_noxc_dens_fr(benchmark::State& st) {
  const int n = 1000;
  std::vector<double> th = grid01(n), out(n);
  for (double& t : th) t *= 6.283185307179586;
  for (auto _ : st) {
    noxc_dens_fr(th.data(), &n, kPre, kPim, &kNp, &kMu, &kNodes, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxc_dens_fr);

void BM_noxc_rand_fr(benchmark::State& st) {
  const int n = 1000;
  std::vector<double> u = grid01(n), out(n);
  for (auto _ : st) {
    noxc_rand_fr(u.data(), &n, kPre, kPim, &kNp, &kMu, &kNodes, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxc_rand_fr);

void BM_noxc_lmom(benchmark::State& st) {
  const int n = 500, M = 4;
  std::vector<double> x = grid01(n);
  for (int i = 0; i < n; ++i) x[i] = std::fmod(x[i] * 7.31, 1.0);
  double out[2 * M];
  for (auto _ : st) {
    noxc_lmom(x.data(), &n, &M, out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_noxc_lmom);

void BM_noxc_rho_from_lmom(benchmark::State& st) {
  const int M = 4;
  const double er[M] = {0.01, -0.02, 0.005, 0.001}, ei[M] = {-0.1, -0.04, 0.02, -0.01};
  double out[2 * M];
  for (auto _ : st) {
    noxc_rho_from_lmom(er, ei, &M, out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_noxc_rho_from_lmom);

const double kRr[4] = {0.5, -0.2, 0.3, 0.1};
const double kRi[4] = {0.4, 0.25, -0.1, 0.05};

void BM_noxc_qmin_rho(benchmark::State& st) {
  const int M = 4;
  double out;
  for (auto _ : st) {
    noxc_qmin_rho(kRr, kRi, &M, &kNodes, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxc_qmin_rho);

void BM_noxc_admiss(benchmark::State& st) {
  const int M = 4, nodes = 256;
  const double margin = 0.05;
  double out[2 * M + 1];
  for (auto _ : st) {
    noxc_admiss(kRr, kRi, &M, &margin, &nodes, out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_noxc_admiss);

void BM_noxc_factorise(benchmark::State& st) {
  const int M = 4;
  const double rr[M] = {0.2, -0.1, 0.08, 0.03}, ri[M] = {0.15, 0.1, -0.04, 0.02};
  double out[2 * M + 2];
  for (auto _ : st) {
    noxc_factorise(rr, ri, &M, out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_noxc_factorise);

void BM_noxc_fit_fr(benchmark::State& st) {
  const int n = 500, M = 4, nodes = 256;
  const double margin = 0.05;
  std::vector<double> th = sample(n);
  double out[2 * M + 5];
  for (auto _ : st) {
    noxc_fit_fr(th.data(), &n, &M, &margin, &nodes, out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_noxc_fit_fr);

}  // namespace
