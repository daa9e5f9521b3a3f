#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "noxara.h"
#include "numerics/rng.h"

static void BM_bb_post(benchmark::State& st) {
  const int n = 200, M = 1000, seed = 3;
  noxara::Xoshiro r;
  r.seed_rng(9);
  std::vector<double> u(n), out(2 * M);
  for (double& v : u) v = r.next_unif();
  std::sort(u.begin(), u.end());
  for (auto _ : st) {
    bb_post(&n, u.data(), &M, &seed, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_bb_post)->Unit(benchmark::kMillisecond);

static void BM_bb_ref(benchmark::State& st) {
  const int n = 200, D = 100, m = 10, seed = 3;
  std::vector<double> out(2 * D * m);
  for (auto _ : st) {
    bb_ref(&n, &D, &m, &seed, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_bb_ref)->Unit(benchmark::kMillisecond);
