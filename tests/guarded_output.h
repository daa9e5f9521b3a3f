// Output arrays framed by guard slots for the bad-input tests: a write
// outside the documented region, or into a slot the routine must leave
// alone, changes a sentinel.
#ifndef NOXARA_TESTS_GUARDED_OUTPUT_H
#define NOXARA_TESTS_GUARDED_OUTPUT_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace badin {

constexpr double kSent = -8.125e77;  // a value none of these routines writes
constexpr std::size_t kPad = 4;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const double kNonFinite[3] = {kNaN, kInf, -kInf};

// n output slots with kPad guard slots on either side, all at the sentinel.
class Out {
 public:
  explicit Out(std::size_t n) : v_(n + 2 * kPad, kSent), n_(n) {}
  double* p() { return v_.data() + kPad; }
  double operator[](std::size_t i) const { return v_[kPad + i]; }
  std::size_t size() const { return n_; }
  void reset() { std::fill(v_.begin(), v_.end(), kSent); }
  bool guards_intact() const {
    for (std::size_t i = 0; i < kPad; ++i)
      if (v_[i] != kSent || v_[kPad + n_ + i] != kSent) return false;
    return true;
  }
  bool untouched() const {
    for (double v : v_)
      if (v != kSent) return false;
    return true;
  }
  bool all_nan() const {
    for (std::size_t i = 0; i < n_; ++i)
      if (!std::isnan(v_[kPad + i])) return false;
    return true;
  }
  bool all_written() const {
    for (std::size_t i = 0; i < n_; ++i)
      if (v_[kPad + i] == kSent) return false;
    return true;
  }

 private:
  std::vector<double> v_;
  std::size_t n_;
};

}  // namespace badin

#endif
