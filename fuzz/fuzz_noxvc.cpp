// Variance components: one-way intraclass correlation with fuzzed group
// labels, distance of points to a polyline.
#include "fuzz_input.h"
#include "noxara.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const int n = in.count(-1, 32), ng = in.count(-1, 8);
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;
  const std::vector<double> y = in.reals(nn);
  std::vector<int> g(nn);
  for (int& v : g) v = in.count(-1, 8);
  const std::vector<double> icc = fuzz::twice(3, [&](double* o) { noxvc_icc_oneway(y.data(), g.data(), &n, &ng, o); });
  // Standard deviations are not negative.
  FUZZ_CHECK(std::isnan(icc[1]) || icc[1] >= 0.0 || icc[1] == -7.25e301);
  FUZZ_CHECK(std::isnan(icc[2]) || icc[2] >= 0.0 || icc[2] == -7.25e301);

  const int nl = in.count(-1, 6);
  const std::size_t nls = nl > 0 ? static_cast<std::size_t>(nl) : 0;
  const std::vector<double> h = in.reals(nn), k = in.reals(nn), lh = in.reals(nls), lk = in.reals(nls);
  // A distance is not negative.
  const std::vector<double> d =
      fuzz::twice(nn, [&](double* o) { noxvc_locus_dist(h.data(), k.data(), &n, lh.data(), lk.data(), &nl, o); });
  for (double v : d) FUZZ_CHECK(std::isnan(v) || v >= 0.0 || v == -7.25e301);
  return 0;
}
