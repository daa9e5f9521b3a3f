// Nelder-Mead simplex minimiser, in its two homes: the general one behind the
// exported noxk4_nmd (up to 7 dimensions) and the variable-projection one
// (up to 4 dimensions, non-const context).
#ifndef NOXARA_NUMERICS_NELDER_MEAD_H
#define NOXARA_NUMERICS_NELDER_MEAD_H

#include "noxara.h"

namespace noxara {

// Objective whose context the objective may write into (scratch it holds).
typedef double (*objfn_mut)(const double* p, void* ctx);

constexpr int kNelderMeadMaxDim = 7;
constexpr int kNmdMaxDim = 4;

// General minimiser. d must be 1..7 (callers respect the limit). Initial step
// 0.1*|s| for a non-zero coordinate s, 0.1 for zero; stops when the spread of
// values is strictly below (|f_lo| + 1e-12)*1e-12. Writes the best vertex to
// xout[0..d-1] and its value to *fout.
void nelder_mead(objfn f, const void* ctx, int d, const double* start, int maxit,
                 double* xout, double* fout);

// Variable-projection minimiser. d must be 1..4; start and xout always hold
// four coordinates, all carried along. Initial step 0.1*|s| when |s| > 1e-8,
// else 0.1; stops when the spread is at or below the tolerance.
void nmd(objfn_mut f, void* ctx, int d, const double* start, int maxit,
         double* xout, double* fout);

}  // namespace noxara

#endif
