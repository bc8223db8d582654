#pragma once
// An in-order parallel pass over the frames of one or more trajectories.
//
// Worker threads prepare frames (read their bytes, decode them, and whatever
// per-frame work the program adds: a listing, placing into a configuration)
// while the calling thread uses the prepared frames one by one in file
// order (writes them, appends them to a store). Only a few frames per worker
// are in memory at once: frame k is prepared in slot k % slots(), and a
// worker takes frame k + slots() only once frame k has been used. Whatever
// the thread count, the frames are used in the same order with the same
// content, so a program's output does not depend on it.
//
// The caller owns the slots: a vector of opt.slots() places of its own type,
// each reused frame after frame, so nothing is allocated per frame once they
// have grown.
#include <cstddef>
#include <functional>

namespace tvl::traj {

struct InOrder {
  std::size_t count = 0;    // frames 0 .. count-1, in the order they are used
  unsigned threads = 1;     // threads, the calling one included; 1: everything on the calling thread
  unsigned per_thread = 2;  // frames in memory per worker thread

  // The places the caller provides: threads x per_thread (1 for one thread).
  std::size_t slots() const;
};

// Runs work(k, slot) for every frame on the worker threads and use(k, slot) on
// the calling thread for k = 0, 1, ... in order, each after work(k, slot) has
// returned. The calling thread works too: while the frame it is to use next
// is not ready it prepares the next free frame itself, so threads - 1
// workers are started and no more than `threads` frames are prepared at once. use returns false to end the pass at frame k, which then counts
// as not used; frames after it may have been prepared and are dropped. An
// exception thrown by work(k) is thrown again on the calling thread in frame
// k's turn; an exception from use passes on. In every case the workers have
// stopped when run_in_order returns. Returns the number of frames used.
//
// With one thread, or when no thread can be started, work and use alternate
// on the calling thread.
std::size_t run_in_order(const InOrder& opt, const std::function<void(std::size_t k, std::size_t slot)>& work,
                         const std::function<bool(std::size_t k, std::size_t slot)>& use);

// The same, telling work which thread runs it (0: the calling thread, then
// 1 .. threads - 1), so that scratch space can stay with a thread (and in its
// core's cache) while the slots carry only what use needs.
std::size_t run_in_order(const InOrder& opt,
                         const std::function<void(std::size_t k, std::size_t slot, unsigned thread)>& work,
                         const std::function<bool(std::size_t k, std::size_t slot)>& use);

}  // namespace tvl::traj
