// Argument check shared by the replicate-range entry points: a call asks for
// replicates (or grid indices) first .. first + count - 1 of a full run.
#ifndef NOXARA_NUMERICS_REPLICATE_RANGE_H
#define NOXARA_NUMERICS_REPLICATE_RANGE_H

#include <climits>
#include <cstddef>

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

}  // namespace noxara

#endif
