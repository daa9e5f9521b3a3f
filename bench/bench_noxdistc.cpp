// Shape-polynomial quantile family, sample L-moments, band models and scale
// estimates at realistic sizes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "noxara.h"
#include "numerics/rng.h"

namespace {

// A deterministic sample of n standard normal draws.
std::vector<double> normal_sample(int n) {
  std::vector<double> x(static_cast<std::size_t>(n));
  std::uint64_t s = noxara::sm_seed(17, 0);
  for (double& v : x) v = noxara::sm_norm(s);
  return x;
}

void BM_noxq_qd(benchmark::State& st) {
  const int nu = static_cast<int>(st.range(0)), k = 4;
  std::vector<double> u(static_cast<std::size_t>(nu)), out(u.size());
  for (int i = 0; i < nu; ++i) u[i] = (i + 0.5) / nu;
  const double coef[4] = {0.3, 0.2, -0.05, 0.02}, sg = 1.3;
  for (auto _ : st) {
    noxq_qd(u.data(), &nu, coef, &k, &sg, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxq_qd)->Arg(10000);

void BM_noxq_arclength(benchmark::State& st) {
  const int nodes = static_cast<int>(st.range(0)), k = 4;
  const double coef[4] = {0.3, 0.2, -0.05, 0.02}, sg = 1.3;
  double out;
  for (auto _ : st) {
    noxq_arclength(coef, &k, &sg, &nodes, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxq_arclength)->Arg(64);

void BM_sample_lmoments_c(benchmark::State& st) {
  const int n = static_cast<int>(st.range(0)), m = 4;
  const std::vector<double> x = normal_sample(n);
  double out[4];
  for (auto _ : st) {
    sample_lmoments_c(x.data(), &n, &m, out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_sample_lmoments_c)->Arg(1000)->Arg(100000);

void BM_noxq_fit_cf_c(benchmark::State& st) {
  const int n = static_cast<int>(st.range(0));
  const std::vector<double> x = normal_sample(n);
  double out[5];
  for (auto _ : st) {
    noxq_fit_cf_c(x.data(), &n, out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_noxq_fit_cf_c)->Arg(10000);

void BM_al_band_model(benchmark::State& st) {
  const double sg = 1.0, a = 0.1, b = 0.9;
  const int nodes = 400;
  double out;
  for (auto _ : st) {
    al_band_model(&sg, &a, &b, &nodes, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_al_band_model);

void BM_al_band_model_star(benchmark::State& st) {
  const double sg = 1.0, a = 0.1, b = 0.9;
  const int nodes = 400;
  double out;
  for (auto _ : st) {
    al_band_model_star(&sg, &a, &b, &nodes, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_al_band_model_star);

void BM_al_band_sample(benchmark::State& st) {
  const int n = static_cast<int>(st.range(0));
  const std::vector<double> x = normal_sample(n);
  const double a = 0.1, b = 0.9;
  double out;
  for (auto _ : st) {
    al_band_sample(x.data(), &n, &a, &b, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_al_band_sample)->Arg(10000);

void BM_al_scale(benchmark::State& st) {
  const int n = static_cast<int>(st.range(0));
  const std::vector<double> x = normal_sample(n);
  const double a = 0.1, b = 0.9;
  double out;
  for (auto _ : st) {
    al_scale(x.data(), &n, &a, &b, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_al_scale)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_al_scale_raw(benchmark::State& st) {
  const int n = static_cast<int>(st.range(0));
  const std::vector<double> x = normal_sample(n);
  const double a = 0.1, b = 0.9;
  double out;
  for (auto _ : st) {
    al_scale_raw(x.data(), &n, &a, &b, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_al_scale_raw)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
