#include <benchmark/benchmark.h>

#include <vector>

#include "noxara.h"
#include "numerics/rng.h"

static void BM_cf_arclength_emp(benchmark::State& st) {
  const int n = 500, G = 501;
  const double T = 10.0;
  std::uint64_t s = noxara::sm_seed(5, 0);
  std::vector<double> x(n);
  for (double& v : x) v = noxara::sm_norm(s);
  double out;
  for (auto _ : st) {
    cf_arclength_emp(x.data(), &n, &T, &G, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_cf_arclength_emp)->Unit(benchmark::kMillisecond);
