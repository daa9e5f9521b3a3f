#include <benchmark/benchmark.h>

#include <vector>

#include "noxara.h"
#include "numerics/rng.h"

static void BM_noxvc_icc_oneway(benchmark::State& st) {
  const int ng = 50, n = 5000;
  std::uint64_t s = noxara::sm_seed(2, 0);
  std::vector<double> y(n);
  std::vector<int> g(n);
  for (int i = 0; i < n; ++i) {
    g[i] = i % ng;
    y[i] = 0.3 * g[i] + noxara::sm_norm(s);
  }
  double out[3];
  for (auto _ : st) {
    noxvc_icc_oneway(y.data(), g.data(), &n, &ng, out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_noxvc_icc_oneway);

static void BM_noxvc_locus_dist(benchmark::State& st) {
  const int n = 1000, nl = 200;
  std::uint64_t s = noxara::sm_seed(4, 0);
  std::vector<double> h(n), k(n), lh(nl), lk(nl), out(n);
  for (int j = 0; j < nl; ++j) {
    lh[j] = 0.01 * j;
    lk[j] = lh[j] * lh[j];
  }
  for (int i = 0; i < n; ++i) {
    h[i] = 2.0 * noxara::sm_unif(s);
    k[i] = 4.0 * noxara::sm_unif(s);
  }
  for (auto _ : st) {
    noxvc_locus_dist(h.data(), k.data(), &n, lh.data(), lk.data(), &nl, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxvc_locus_dist);
