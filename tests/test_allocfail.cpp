// Allocation failure: the nth heap request of one call fails, for n = 1, 2, ...
// until a call completes untouched by the injection. Every call must return,
// leak nothing (LeakSanitizer, in the sanitizer build) and leave only values it
// computed or the NaN marker; when nothing can be had, the documented outcome
// (all NaN, or the output as the caller passed it). Built against the test-only
// library whose scratch type carries the failure hook.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "library_calls.h"
#include "numerics/scratch.h"

namespace {

namespace fp = noxara::failpoint;
using libcalls::Call;
using libcalls::Failure;

constexpr double kSent = -8.125e77;

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

std::vector<double> run(const Call& c) {
  std::vector<double> out(c.nout, kSent);
  c.run(out.data());
  return out;
}

bool untouched(const std::vector<double>& v) {
  for (double x : v)
    if (bits(x) != bits(kSent)) return false;
  return true;
}

// Each slot is the value of the clean call or NaN.
bool only_results_or_nan(const std::vector<double>& got, const std::vector<double>& ref) {
  for (std::size_t i = 0; i < got.size(); ++i)
    if (bits(got[i]) != bits(ref[i]) && !std::isnan(got[i])) return false;
  return true;
}

std::string show(const std::vector<double>& v) {
  std::string s;
  for (double x : v) s += (bits(x) == bits(kSent) ? std::string("untouched") : std::to_string(x)) + " ";
  return s;
}

}  // namespace

TEST(AllocationFailure, EveryAllocatingRoutineLeavesItsDocumentedOutput) {
  libcalls::data();  // the shared inputs are built before any request is counted
  int allocating = 0;
  for (const Call& c : libcalls::calls()) {
    fp::arm(0, false);
    const std::vector<double> ref = run(c);
    const std::size_t requests = fp::state().seen;
    EXPECT_EQ(requests == 0, c.failure == Failure::kNoScratch)
        << c.name << " makes " << requests << " heap requests";
    if (requests == 0) continue;
    ++allocating;
    std::string faults;
    for (double v : ref)
      if (bits(v) == bits(kSent)) faults += "\n  the clean call leaves a slot unwritten";

    // Nothing can be had.
    fp::arm(1, true);
    const std::vector<double> none = run(c);
    fp::disarm();
    bool as_documented = true;
    if (c.failure == Failure::kUntouched)
      as_documented = untouched(none);
    else if (c.failure == Failure::kNaNWhereNeeded)
      as_documented = only_results_or_nan(none, ref);
    else
      for (double v : none) as_documented = as_documented && std::isnan(v);
    if (!as_documented) faults += "\n  no memory at all: " + show(none);

    // One request fails; from that request on, every one fails.
    for (bool onward : {false, true}) {
      for (std::size_t nth = 1;; ++nth) {
        fp::arm(nth, onward);
        const std::vector<double> got = run(c);
        const bool hit = fp::state().failed > 0;
        fp::disarm();
        if (!hit) {
          if (std::memcmp(got.data(), ref.data(), ref.size() * sizeof(double)) != 0)
            faults += "\n  a call without a failure differs from the clean call";
          break;
        }
        if (!only_results_or_nan(got, ref) &&
            !(c.failure == Failure::kUntouched && untouched(got))) {
          faults += "\n  request " + std::to_string(nth) + (onward ? " onward" : "") +
                    " of " + std::to_string(requests) + ": " + show(got) + "\n    clean: " + show(ref);
          break;
        }
      }
    }
    EXPECT_TRUE(faults.empty()) << c.name << faults;
  }
  EXPECT_GE(allocating, 30);
}
