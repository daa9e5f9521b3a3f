// Every seeded or allocating routine (and the log-gamma users) on several
// threads at once: each thread's results match a lone call bit for bit. Run
// under ThreadSanitizer in CI, which also reports any shared state written by
// two calls.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "library_calls.h"

TEST(LibraryConcurrency, EveryTabledRoutineOnFourThreadsMatchesALoneCall) {
  const std::vector<libcalls::Call>& calls = libcalls::calls();
  const std::size_t nc = calls.size();
  std::vector<std::vector<double>> lone(nc);
  for (std::size_t i = 0; i < nc; ++i) {
    lone[i].assign(calls[i].nout, 0.0);
    calls[i].run(lone[i].data());
  }

  // Each thread runs the table twice: in order (the same routine on every
  // thread at once), then rotated by its index (different routines at once).
  constexpr std::size_t kThreads = 4;
  std::vector<std::vector<std::vector<double>>> got(
      kThreads, std::vector<std::vector<double>>(2 * nc));
  std::atomic<bool> go{false};
  std::vector<std::thread> pool;
  for (std::size_t t = 0; t < kThreads; ++t)
    pool.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      for (std::size_t pass = 0; pass < 2; ++pass)
        for (std::size_t j = 0; j < nc; ++j) {
          const std::size_t i = pass == 0 ? j : (j + t * nc / kThreads) % nc;
          std::vector<double>& out = got[t][pass * nc + i];
          out.assign(calls[i].nout, 0.0);
          calls[i].run(out.data());
        }
    });
  go.store(true);
  for (std::thread& th : pool) th.join();

  for (std::size_t t = 0; t < kThreads; ++t)
    for (std::size_t k = 0; k < 2 * nc; ++k) {
      const std::size_t i = k % nc;
      EXPECT_EQ(std::memcmp(got[t][k].data(), lone[i].data(), lone[i].size() * sizeof(double)), 0)
          << calls[i].name << " on thread " << t;
    }
}
