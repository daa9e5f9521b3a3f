// Arc-length statistic, its Bayesian-bootstrap version and the
// characteristic-function arc length. (The moments and the saddlepoint
// p-value take tens of milliseconds a call, too slow for fuzzing.)
#include "fuzz_input.h"
#include "noxara.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const int n = in.count(-2, 48);
  const std::vector<double> u = in.units(n > 0 ? static_cast<std::size_t>(n) : 0);

  const std::vector<double> s = fuzz::twice(1, [&](double* o) { al_statistic(&n, u.data(), o); });
  bool in_unit = n >= 1;
  for (double v : u) in_unit = in_unit && v >= 0.0 && v <= 1.0;
  // The polygon runs from (0, 0) to (1, 1) with rising steps: between the
  // diagonal and the two sides.
  if (in_unit) FUZZ_CHECK(s[0] >= std::sqrt(2.0) - 1e-12 && s[0] <= 2.0 + 1e-12);

  const int M = in.count(-1, 6), seed = in.count(-30000, 30000);
  const std::size_t nM = M > 0 ? 2u * static_cast<std::size_t>(M) : 0;
  fuzz::twice(nM, [&](double* o) { bb_post(&n, u.data(), &M, &seed, o); });

  const int D = in.count(-1, 3), mm = in.count(-1, 3), nr = in.count(-1, 12);
  const std::size_t nref = (D > 0 && mm > 0) ? 2u * static_cast<std::size_t>(D * mm) : 0;
  fuzz::twice(nref, [&](double* o) { bb_ref(&nr, &D, &mm, &seed, o); });

  const std::vector<double> x = in.reals(n > 0 ? static_cast<std::size_t>(n) : 0);
  const double T = in.real();
  const int ng = in.count(-2, 120);
  fuzz::twice(1, [&](double* o) { cf_arclength_emp(x.data(), &n, &T, &ng, o); });
  return 0;
}
