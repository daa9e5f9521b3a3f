// Gauss-Legendre rule mapped to [0, 1].
#ifndef NOXARA_NUMERICS_GL01_H
#define NOXARA_NUMERICS_GL01_H

namespace noxara {

// Writes n nodes x01[0..n-1] (descending: x01[0] is nearest 1) and weights
// w01[0..n-1] (summing to 1). With n <= 0 nothing is read or written.
void gl01(int n, double* x01, double* w01);

}  // namespace noxara

#endif
