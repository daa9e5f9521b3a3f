// Internal pieces of the multi-method reading bootstrap.
#ifndef NOXARA_NOXMV_H
#define NOXARA_NOXMV_H

#include <cstdint>

namespace noxara {

// Tangent-intercept reading of a variable-projection record
// (b0, b1, b2, mu, sg, k, h, rss); NaN when the record is not finite.
double mv_read_a(const double* v);
// Tangent-intercept reading of a six-parameter record (g0, g1, mu, sg, k, h, value).
double mv_read_th(const double* fit);
// Start of the six-parameter fits (g0, log g1, mu, log sg, k, log h) from a
// variable-projection record.
void mv_tr6(const double* v, double* st6);
// Start grid for the variable-projection fits: 4 values per start, returns
// the number of starts (at most 120).
int mv_starts(double mus, double mum, double sg0, double* starts);
// Reading of the pair (free-h fit of, h = 0 fit og) preferred by the
// penalised comparison; NaN when either record was never computed (rss NaN).
double mv_select(const double* of, const double* og, int n);
// Block length of the residuals and one moving-block series (shared rule).
int mv_blocklen(const double* r, int n);
bool mv_blockdraw(const double* m0, const double* r, int n, int bl, std::uint64_t& s,
                  double* y2);

}  // namespace noxara

#endif
