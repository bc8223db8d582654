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

// What the workers and the calling thread share, under one lock.
struct Shared {
  std::mutex m;
  std::condition_variable to_workers, to_user;
  std::size_t next = 0;  // the next frame a worker takes
  std::size_t used = 0;  // frames used: the slot of frame k is free for k < used + slots
  bool stop = false;
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
  const std::size_t count = opt.count;
  const std::size_t nslots = opt.slots();
  Shared s;
  s.done.assign(nslots, 0);
  s.error.assign(nslots, nullptr);
  Workers workers{s, {}};

  auto worker = [&] {
    std::unique_lock<std::mutex> lk(s.m);
    for (;;) {
      s.to_workers.wait(lk, [&] { return s.stop || s.next >= count || s.next < s.used + nslots; });
      if (s.stop || s.next >= count) return;
      const std::size_t k = s.next++;
      const std::size_t slot = k % nslots;
      lk.unlock();
      std::exception_ptr err;
      try {
        work(k, slot);
      } catch (...) {
        err = std::current_exception();
      }
      lk.lock();
      s.error[slot] = err;
      s.done[slot] = 1;
      s.to_user.notify_one();
    }
  };
  if (opt.threads > 1 && count > 1) {
    const std::size_t n = std::min<std::size_t>(opt.threads, count);
    try {
      for (std::size_t t = 0; t < n; ++t) workers.threads.emplace_back(worker);
    } catch (const std::system_error&) {
      // Fewer threads than asked for: those started do the work.
    }
  }

  if (workers.threads.empty()) {
    for (std::size_t k = 0; k < count; ++k) {
      work(k, 0);
      if (!use(k, 0)) return k;
    }
    return count;
  }
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t slot = k % nslots;
    std::exception_ptr err;
    {
      std::unique_lock<std::mutex> lk(s.m);
      s.to_user.wait(lk, [&] { return s.done[slot] != 0; });
      err = s.error[slot];
    }
    if (err) std::rethrow_exception(err);
    if (!use(k, slot)) return k;
    {
      std::lock_guard<std::mutex> lk(s.m);
      s.done[slot] = 0;
      s.used = k + 1;
    }
    s.to_workers.notify_one();
  }
  return count;
}

}  // namespace tvl::traj
