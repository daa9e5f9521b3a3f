// Quantile-density readings and the beta-kernel quantile family.
#include "fuzz_input.h"
#include "noxara.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const double alpha = in.real(), beta = in.real();
  const int nth = in.count(-1, 5);
  const std::vector<double> theta = in.reals(nth > 0 ? static_cast<std::size_t>(nth) : 0);
  const int ngrid = in.count(-2, 250);
  fuzz::twice(5, [&](double* o) { noxeq_readings(&alpha, &beta, &nth, theta.data(), &ngrid, o); });
  const double lambda = in.real(), delta = in.real();
  fuzz::twice(5, [&](double* o) { noxeq_readings_vsl(&lambda, &delta, &ngrid, o); });

  const int n = in.count(-1, 8);
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;
  const std::vector<double> u = in.units(nn), x = in.reals(nn);
  fuzz::twice(nn, [&](double* o) { noxeq2_bc_q(&n, u.data(), &alpha, &beta, o); });
  // F is a distribution function: 0 below the support, 1 above.
  const std::vector<double> F = fuzz::twice(nn, [&](double* o) { noxeq2_bc_cdf(&n, x.data(), &alpha, &beta, o); });
  for (double v : F) FUZZ_CHECK(fuzz::nan_or_in(v, 0.0, 1.0));
  fuzz::twice(nn, [&](double* o) { noxeq2_bc_pdf(&n, x.data(), &alpha, &beta, o); });
  fuzz::twice(2, [&](double* o) { noxeq2_ub_quad(&alpha, &beta, o); });
  fuzz::twice(1, [&](double* o) { noxeq2_E(&alpha, &beta, o); });
  const std::vector<double> bs = fuzz::twice(1, [&](double* o) { noxeq2_bstar(&alpha, o); });
  FUZZ_CHECK(std::isnan(bs[0]) || (bs[0] > -0.999 && bs[0] < 0.0));
  fuzz::twice(nn, [&](double* o) { noxeqfit_Esweep(&alpha, x.data(), &n, o); });
  return 0;
}
