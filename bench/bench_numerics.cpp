// Toolkit kernels: the minimiser, the Gauss-Legendre rule, the streams.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "noxara.h"
#include "numerics/gl01.h"
#include "numerics/rng.h"

namespace {

double rosenbrock(const double* p, const void*) {
  double s = 0.0;
  for (int j = 0; j + 1 < 6; ++j) {
    const double a = p[j + 1] - p[j] * p[j], b = 1.0 - p[j];
    s += 100.0 * a * a + b * b;
  }
  return s;
}

void BM_noxk4_nmd_rosenbrock6(benchmark::State& st) {
  const double start[6] = {-1.2, 1.0, -1.2, 1.0, -1.2, 1.0};
  double x[6], f;
  for (auto _ : st) {
    noxk4_nmd(rosenbrock, nullptr, 6, start, 2000, x, &f);
    benchmark::DoNotOptimize(f);
  }
}
BENCHMARK(BM_noxk4_nmd_rosenbrock6);

void BM_gl01(benchmark::State& st) {
  const int n = static_cast<int>(st.range(0));
  double x[200], w[200];
  for (auto _ : st) {
    noxara::gl01(n, x, w);
    benchmark::DoNotOptimize(w[0]);
  }
}
BENCHMARK(BM_gl01)->Arg(40)->Arg(60)->Arg(200);

void BM_splitmix_uniform(benchmark::State& st) {
  std::uint64_t s = noxara::sm_seed(1, 0);
  for (auto _ : st) benchmark::DoNotOptimize(noxara::sm_unif(s));
}
BENCHMARK(BM_splitmix_uniform);

void BM_xoshiro_uniform(benchmark::State& st) {
  noxara::Xoshiro g;
  g.seed_rng(1);
  for (auto _ : st) benchmark::DoNotOptimize(g.next_unif());
}
BENCHMARK(BM_xoshiro_uniform);

}  // namespace
