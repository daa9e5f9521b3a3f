// Curve fits with small iteration caps: kappa-4 by L-moments and by variable
// projection, the score statistic and the block length.
#include "fuzz_input.h"
#include "noxara.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const double t3 = in.real(), t4 = in.real();
  const int lnodes = in.count(-1, 8);
  fuzz::twice(3, [&](double* o) { noxk4_fit_lmom(&t3, &t4, &lnodes, o); });

  const int n = in.count(-1, 16);
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;
  const std::vector<double> x = in.reals(nn), y = in.reals(nn);
  const int ns = in.count(-1, 2), maxit = in.count(-1, 8);
  const std::vector<double> starts = in.reals(4 * static_cast<std::size_t>(ns > 0 ? ns : 0));
  double bounds[4];
  for (double& b : bounds) b = in.real();
  const double hfix = in.real();
  // The residual sum of squares is never negative.
  const std::vector<double> vp = fuzz::twice(8, [&](double* o) {
    noxk4_fit_varpro(x.data(), y.data(), &n, starts.data(), &ns, &maxit, bounds, &hfix, o);
  });
  FUZZ_CHECK(std::isnan(vp[7]) || vp[7] >= 0.0 || vp[7] == -7.25e301);

  const double mu = in.real(), sg = in.real(), al = in.real(), be = in.real();
  fuzz::twice(1, [&](double* o) { noxeqfit_score_at(x.data(), y.data(), &n, &mu, &sg, &al, &be, o); });

  int bl[2] = {-5, -5};
  noxeqfit_blocklen(y.data(), &n, &bl[0]);
  noxeqfit_blocklen(y.data(), &n, &bl[1]);
  FUZZ_CHECK(bl[0] == bl[1]);

  return 0;
}
