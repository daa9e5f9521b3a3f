// Moving-block resampling of a residual series: the automatic block length
// and one resampled series. Both bootstraps of the library (the reading
// bootstrap and the curve-fit bootstraps) use this one rule.
#ifndef NOXARA_NUMERICS_BLOCKS_H
#define NOXARA_NUMERICS_BLOCKS_H

#include <cstdint>

namespace noxara {

// Block length of r[0..n-1]: the first lag l = 1..min(200, n - 2) whose sample
// autocorrelation lies strictly inside +-2/sqrt(n); when none does,
// (int)(n^(1/3) + 0.5). At least 2; 2 for n <= 0.
int acf_blocklen(const double* r, int n) noexcept;

// out[pos] = m0[pos] + r[start + t]: consecutive blocks of bl residuals, each
// block starting uniformly at one of 0..n-bl (one uniform of the SplitMix64
// stream s per block), the last block cut at n. A block length outside 1..n
// draws nothing, leaves out and s untouched and returns false.
bool moving_block_draw(const double* m0, const double* r, int n, int bl, std::uint64_t& s,
                       double* out) noexcept;

}  // namespace noxara

#endif
