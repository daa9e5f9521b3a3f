#include <benchmark/benchmark.h>

#include <vector>

#include "noxara.h"
#include "numerics/rng.h"

static void BM_al_statistic(benchmark::State& st) {
  const int n = static_cast<int>(st.range(0));
  noxara::Xoshiro r;
  r.seed_rng(1);
  std::vector<double> u(n);
  for (double& v : u) v = r.next_unif();
  double out;
  for (auto _ : st) {
    al_statistic(&n, u.data(), &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_al_statistic)->Arg(1000)->Arg(100000);

static void BM_al_moments(benchmark::State& st) {
  const int n = 50;
  double out[4];
  for (auto _ : st) {
    al_moments(&n, out);
    benchmark::DoNotOptimize(out[1]);
  }
}
BENCHMARK(BM_al_moments)->Iterations(3)->Unit(benchmark::kMillisecond);

static void BM_al_pvalue(benchmark::State& st) {
  const int n = 100;
  const double s = 1.45;
  double out;
  for (auto _ : st) {
    al_pvalue(&s, &n, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_al_pvalue)->Unit(benchmark::kMillisecond);
