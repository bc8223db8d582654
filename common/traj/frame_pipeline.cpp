#include "common/traj/frame_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tvl::traj {

std::size_t InOrder::slots() const {
  return threads <= 1 ? 1 : static_cast<std::size_t>(threads) * std::max(1u, per_thread);
}

namespace {

constexpr std::size_t no_slot = static_cast<std::size_t>(-1);

// What the workers and the calling thread share, under one lock.
struct Shared {
  std::mutex m;
  std::condition_variable to_workers, to_user;
  std::size_t next = 0;  // the next frame a worker takes
  std::size_t used = 0;  // frames used: the slot of frame k is free for k < used + slots
  bool stop = false;
  // Waiters, so that a thread is woken only when someone waits for it: each
  // wake-up costs a switch, and on a machine with no idle core it takes the
  // core from a worker.
  std::size_t user_waits = no_slot;  // the slot the calling thread waits for
  unsigned idle = 0;                 // workers waiting for a free slot
  std::vector<char> done;  // per slot: its frame has been prepared
  std::vector<std::exception_ptr> error;  // per slot: what its work threw
};

// Stops and joins the workers on every way out of run_in_order.
struct Workers {
  Shared& s;
  std::vector<std::thread> threads;
  ~Workers() {
    {
      std::lock_guard<std::mutex> lk(s.m);
      s.stop = true;
    }
    s.to_workers.notify_all();
    for (std::thread& t : threads) t.join();
  }
};

}  // namespace

std::size_t run_in_order(const InOrder& opt, const std::function<void(std::size_t, std::size_t)>& work,
                         const std::function<bool(std::size_t, std::size_t)>& use) {
  return run_in_order(
      opt, [&](std::size_t k, std::size_t slot, unsigned) { work(k, slot); }, use);
}

std::size_t run_in_order(const InOrder& opt,
                         const std::function<void(std::size_t, std::size_t, unsigned)>& work,
                         const std::function<bool(std::size_t, std::size_t)>& use) {
  const std::size_t count = opt.count;
  const std::size_t nslots = opt.slots();
  Shared s;
  s.done.assign(nslots, 0);
  s.error.assign(nslots, nullptr);
  Workers workers{s, {}};

  // Prepares frame k (taken under the lock, s.next already past it) without
  // the lock, and marks its slot prepared; the lock is held again on return.
  auto prepare = [&](std::unique_lock<std::mutex>& lk, std::size_t k, unsigned thread) {
    const std::size_t slot = k % nslots;
    lk.unlock();
    std::exception_ptr err;
    try {
      work(k, slot, thread);
    } catch (...) {
      err = std::current_exception();
    }
    lk.lock();
    s.error[slot] = err;
    s.done[slot] = 1;
  };
  auto may_take = [&] { return s.next < count && s.next < s.used + nslots; };
  auto worker = [&](unsigned thread) {
    std::unique_lock<std::mutex> lk(s.m);
    for (;;) {
      while (!(s.stop || s.next >= count || may_take())) {
        ++s.idle;
        s.to_workers.wait(lk);
        --s.idle;
      }
      if (s.stop || s.next >= count) return;
      const std::size_t k = s.next++;
      prepare(lk, k, thread);
      if (s.user_waits == k % nslots) s.to_user.notify_one();
    }
  };
  // The calling thread is one of the threads: it prepares frames itself while
  // the one it needs next is not ready, so the workers are one fewer.
  if (opt.threads > 1 && count > 1) {
    const std::size_t n = std::min<std::size_t>(opt.threads - 1, count - 1);
    try {
      for (std::size_t t = 0; t < n; ++t) workers.threads.emplace_back(worker, static_cast<unsigned>(t + 1));
    } catch (const std::system_error&) {
      // Fewer threads than asked for: those started do the work.
    }
  }

  if (workers.threads.empty()) {
    for (std::size_t k = 0; k < count; ++k) {
      work(k, 0, 0);
      if (!use(k, 0)) return k;
    }
    return count;
  }
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t slot = k % nslots;
    std::exception_ptr err;
    {
      std::unique_lock<std::mutex> lk(s.m);
      while (s.done[slot] == 0) {
        if (may_take()) {
          prepare(lk, s.next++, 0);
          continue;
        }
        s.user_waits = slot;
        s.to_user.wait(lk);
        s.user_waits = no_slot;
      }
      err = s.error[slot];
    }
    if (err) std::rethrow_exception(err);
    if (!use(k, slot)) return k;
    bool wake = false;
    {
      std::lock_guard<std::mutex> lk(s.m);
      s.done[slot] = 0;
      s.used = k + 1;
      wake = s.idle > 0;
    }
    if (wake) s.to_workers.notify_one();
  }
  return count;
}

}  // namespace tvl::traj
