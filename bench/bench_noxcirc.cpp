// Timings of the cubic circular family, von Mises tempering and the Monte
// Carlo interval and goodness-of-fit test at typical sizes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "noxara.h"
#include "noxcirc.h"

namespace {

std::vector<double> uniforms(int n, int seed) {
  std::uint64_t s = noxara::noxc_seed(seed, 0);
  std::vector<double> u(static_cast<std::size_t>(n));
  for (double& x : u) x = noxara::noxc_unif(s);
  return u;
}

std::vector<double> angles(int n, double c3, double mu, int seed) {
  std::vector<double> u = uniforms(n, seed), th(u.size());
  noxc_rand3(u.data(), &n, &c3, &mu, th.data());
  return th;
}

void BM_noxc_c3max(benchmark::State& st) {
  double o;
  for (auto _ : st) {
    noxc_c3max(&o);
    benchmark::DoNotOptimize(o);
  }
}
BENCHMARK(BM_noxc_c3max);

void BM_noxc_qd3(benchmark::State& st) {
  int n = 10000;
  double c = 0.6;
  std::vector<double> u = uniforms(n, 1), o(u.size());
  for (auto _ : st) {
    noxc_qd3(u.data(), &n, &c, o.data());
    benchmark::DoNotOptimize(o.data());
  }
}
BENCHMARK(BM_noxc_qd3);

void BM_noxc_Q3(benchmark::State& st) {
  int n = 10000;
  double c = 0.6;
  std::vector<double> u = uniforms(n, 2), o(u.size());
  for (auto _ : st) {
    noxc_Q3(u.data(), &n, &c, o.data());
    benchmark::DoNotOptimize(o.data());
  }
}
BENCHMARK(BM_noxc_Q3);

void BM_noxc_dens3(benchmark::State& st) {
  int n = 1000;
  double c = 0.6, mu = 0.5;
  std::vector<double> th = angles(n, 0.0, 0.0, 3), o(th.size());
  for (auto _ : st) {
    noxc_dens3(th.data(), &n, &c, &mu, o.data());
    benchmark::DoNotOptimize(o.data());
  }
}
BENCHMARK(BM_noxc_dens3);

void BM_noxc_trigmom3(benchmark::State& st) {
  int p = 2, nodes = 10000;
  double c = 0.6, mu = 0.5, o[2];
  for (auto _ : st) {
    noxc_trigmom3(&p, &c, &mu, &nodes, o);
    benchmark::DoNotOptimize(o);
  }
}
BENCHMARK(BM_noxc_trigmom3);

void BM_noxc_rand3(benchmark::State& st) {
  int n = 10000;
  double c = 0.6, mu = 0.5;
  std::vector<double> u = uniforms(n, 4), o(u.size());
  for (auto _ : st) {
    noxc_rand3(u.data(), &n, &c, &mu, o.data());
    benchmark::DoNotOptimize(o.data());
  }
}
BENCHMARK(BM_noxc_rand3);

void BM_noxc_fit3(benchmark::State& st) {
  int n = 1000, nodes = 1000;
  std::vector<double> th = angles(n, 0.5, 1.0, 5);
  double o[4];
  for (auto _ : st) {
    noxc_fit3(th.data(), &n, &nodes, o);
    benchmark::DoNotOptimize(o);
  }
}
BENCHMARK(BM_noxc_fit3);

void BM_noxc_temper_vm(benchmark::State& st) {
  int n = 1000, nodes = 1000;
  double kappa = 2.0, mu = 0.5, s = 3.0;
  std::vector<double> th = angles(n, 0.0, 0.0, 6), o(th.size());
  for (auto _ : st) {
    noxc_temper_vm(th.data(), &n, &kappa, &mu, &s, &nodes, o.data());
    benchmark::DoNotOptimize(o.data());
  }
}
BENCHMARK(BM_noxc_temper_vm);

void BM_noxc_temper_vm_trigmom(benchmark::State& st) {
  int p = 1, nodes = 1000;
  double kappa = 2.0, mu = 0.5, s = 3.0, o[2];
  for (auto _ : st) {
    noxc_temper_vm_trigmom(&p, &kappa, &mu, &s, &nodes, o);
    benchmark::DoNotOptimize(o);
  }
}
BENCHMARK(BM_noxc_temper_vm_trigmom);

// n = 100 angles, 21 grid values, 999 replicates per grid value.
void BM_noxc_exact_ci(benchmark::State& st) {
  int n = 100, B = 999, seed = 7, ng = 21, which = static_cast<int>(st.range(0)), k = 0;
  double alpha = 0.05;
  std::vector<double> th = angles(n, 0.4, 1.0, 8), grid(21), o(24);
  for (int j = 0; j < ng; ++j) grid[static_cast<std::size_t>(j)] = -1.0 + 0.1 * j;
  for (auto _ : st) {
    noxc_exact_ci(th.data(), &n, &B, &seed, grid.data(), &ng, &which, &k, &alpha, o.data());
    benchmark::DoNotOptimize(o.data());
  }
}
BENCHMARK(BM_noxc_exact_ci)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// n = 100 angles, 999 replicates.
void BM_noxc_gof(benchmark::State& st) {
  int n = 100, B = 999, seed = 9;
  double c = 0.4, mu = 1.0, o[2];
  std::vector<double> th = angles(n, c, mu, 10);
  for (auto _ : st) {
    noxc_gof(th.data(), &n, &c, &mu, &B, &seed, o);
    benchmark::DoNotOptimize(o);
  }
}
BENCHMARK(BM_noxc_gof)->Unit(benchmark::kMillisecond);

}  // namespace
