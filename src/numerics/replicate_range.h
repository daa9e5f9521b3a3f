// Argument check shared by the replicate-range entry points: a call asks for
// replicates (or grid indices) first .. first + count - 1 of a full run.
#ifndef NOXARA_NUMERICS_REPLICATE_RANGE_H
#define NOXARA_NUMERICS_REPLICATE_RANGE_H

#include <climits>
#include <cstddef>

#include "numerics/common.h"

namespace noxara {

enum class RangeCheck {
  kNothing,  // count < 0: no output size, nothing is written
  kInvalid,  // first < 0, or first + count past INT_MAX: the output is NaN
  kOk        // indices first .. first + count - 1 all fit an int
};

inline RangeCheck check_range(int count, int first) noexcept {
  if (count < 0) return RangeCheck::kNothing;
  if (first < 0 || first > INT_MAX - count) return RangeCheck::kInvalid;
  return RangeCheck::kOk;
}

// A count known to be non-negative, as a size.
inline std::size_t range_size(int count) noexcept {
  return count > 0 ? static_cast<std::size_t>(count) : 0u;
}

// The opening every range entry point shares: a negative count writes
// nothing; otherwise the len-slot output is NaN first, so a bad range, a
// degenerate input or a failed allocation leaves no value behind. True when
// the range is valid and its replicates are to be computed.
inline bool open_range(int count, int first, double* out, std::size_t len) noexcept {
  const RangeCheck rc = check_range(count, first);
  if (rc == RangeCheck::kNothing) return false;
  fill_nan(out, len);
  return rc == RangeCheck::kOk;
}

}  // namespace noxara

#endif
