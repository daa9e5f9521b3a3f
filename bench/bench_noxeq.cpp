// Grid readings at the size the curve fits use (20001 points).
#include <benchmark/benchmark.h>

#include "noxara.h"

static void BM_noxeq_readings(benchmark::State& st) {
  const double al = -0.7, be = -0.4;
  const int nth = static_cast<int>(st.range(0)), N = 20001;
  const double th[3] = {0.3, -0.2, 0.1};
  double out[5];
  for (auto _ : st) {
    noxeq_readings(&al, &be, &nth, th, &N, out);
    benchmark::DoNotOptimize(out);
  }
  st.SetItemsProcessed(st.iterations() * N);
}
BENCHMARK(BM_noxeq_readings)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

static void BM_noxeq_readings_vsl(benchmark::State& st) {
  const double l = 0.3, d = 0.3;
  const int N = 20001;
  double out[5];
  for (auto _ : st) {
    noxeq_readings_vsl(&l, &d, &N, out);
    benchmark::DoNotOptimize(out);
  }
  st.SetItemsProcessed(st.iterations() * N);
}
BENCHMARK(BM_noxeq_readings_vsl)->Unit(benchmark::kMicrosecond);
