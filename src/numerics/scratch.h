// Heap scratch for one call: taken without throwing, released on every path.
#ifndef NOXARA_NUMERICS_SCRATCH_H
#define NOXARA_NUMERICS_SCRATCH_H

#include <cstddef>
#include <cstdlib>
#include <limits>

namespace noxara {

#ifdef NOXARA_ALLOC_FAILPOINT
// Allocation-failure injection, compiled only into the test-only library:
// after arm(nth, onward) the nth heap request of this thread fails (and, with
// onward, every later one too). The shipped library has no such hook.
namespace failpoint {
struct State {
  std::size_t seen = 0;     // heap requests since arm()
  std::size_t fail_at = 0;  // 0: nothing fails
  bool onward = false;
  std::size_t failed = 0;   // requests made to fail since arm()
};
inline State& state() noexcept {
  static thread_local State s;
  return s;
}
inline void arm(std::size_t nth, bool onward) noexcept {
  State& s = state();
  s = State();
  s.fail_at = nth;
  s.onward = onward;
}
inline void disarm() noexcept { state() = State(); }
inline bool refuse() noexcept {
  State& s = state();
  ++s.seen;
  const bool f = s.fail_at != 0 && (s.seen == s.fail_at || (s.onward && s.seen > s.fail_at));
  if (f) ++s.failed;
  return f;
}
}  // namespace failpoint
#endif

// A buffer of n values of a trivially copyable type. A request for zero
// values succeeds (ok() is true, data() may be null), so a count of 0 is never
// mistaken for an allocation failure. A request whose byte size would overflow
// fails like an allocation failure.
template <class T>
class Scratch {
 public:
  explicit Scratch(std::size_t n, bool zeroed = false) noexcept : n_(n) {
    if (n == 0) return;
    if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) return;
#ifdef NOXARA_ALLOC_FAILPOINT
    if (failpoint::refuse()) return;
#endif
    p_ = static_cast<T*>(zeroed ? std::calloc(n, sizeof(T)) : std::malloc(n * sizeof(T)));
  }
  ~Scratch() { std::free(p_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  bool ok() const noexcept { return n_ == 0 || p_ != nullptr; }
  std::size_t size() const noexcept { return n_; }
  T* data() noexcept { return p_; }
  const T* data() const noexcept { return p_; }
  T& operator[](std::size_t i) noexcept { return p_[i]; }
  const T& operator[](std::size_t i) const noexcept { return p_[i]; }

 private:
  T* p_ = nullptr;
  std::size_t n_;
};

}  // namespace noxara

#endif
