// log|Gamma(x)| safe from many threads at once: std::lgamma stores the sign
// of Gamma(x) in the process-wide `signgam`, so concurrent calls race on it.
// The reentrant form returns the same value and keeps the sign local.
#ifndef NOXARA_NUMERICS_LOG_GAMMA_H
#define NOXARA_NUMERICS_LOG_GAMMA_H

#include <math.h>

namespace noxara {

inline double log_gamma(double x) noexcept {
  int sign;
  return ::lgamma_r(x, &sign);
}

}  // namespace noxara

#endif
