// The parallel runtime's loops as the plug-in uses them. They run on oneTBB, or, where the build
// chose TWINLINK_PARALLEL=threads (Windows, ThreadSanitizer; concurrent.h says why), on a few
// plain threads that take the items in turn. Either way the bodies run concurrently, so races
// between them are found by TSan, which sees every hand-over between plain threads.
#pragma once

#include <cstddef>
#include <iterator>
#include <vector>

#if defined(TWINLINK_PARALLEL_THREADS)
#include <algorithm>
#include <atomic>
#include <thread>
#else
#include <tbb/parallel_for.h>
#include <tbb/parallel_for_each.h>
#include <tbb/parallel_invoke.h>
#endif

namespace twinlink::parallel {

#if defined(TWINLINK_PARALLEL_THREADS)
namespace detail {
// Helper threads running at once in the whole process. A loop inside a loop's body (a child's
// children in the scene tree) gets helpers only while some are free, so a deep tree does not
// start a thread per node; without one the calling thread does the work itself. At least three,
// so that TSan sees four threads interleave even on a small machine.
inline std::atomic<int> freeHelpers{static_cast<int>(std::max(4u, std::thread::hardware_concurrency())) - 1};

inline bool TakeHelper() {
    int free = freeHelpers.load();
    while (free > 0)
        if (freeHelpers.compare_exchange_weak(free, free - 1)) return true;
    return false;
}

// Runs work(i) for i in [0, count) on the calling thread and the helpers it gets, each taking
// the next index in turn.
template <typename Work>
void Spread(size_t count, const Work& work) {
    std::atomic<size_t> next{0};
    auto drain = [&] {
        for (size_t i = next++; i < count; i = next++) work(i);
    };
    std::vector<std::thread> helpers;
    while (helpers.size() + 1 < count && helpers.size() < 3 && TakeHelper()) helpers.emplace_back(drain);
    drain();
    for (std::thread& h : helpers) h.join();
    freeHelpers += static_cast<int>(helpers.size());
}
}  // namespace detail
#endif

// Calls body(item) for every item of [first, last).
template <typename Iterator, typename Body>
void ForEach(Iterator first, Iterator last, const Body& body) {
#if defined(TWINLINK_PARALLEL_THREADS)
    std::vector<Iterator> items;
    for (Iterator it = first; it != last; ++it) items.push_back(it);
    detail::Spread(items.size(), [&](size_t i) { body(*items[i]); });
#else
    tbb::parallel_for_each(first, last, body);
#endif
}

template <typename Range, typename Body>
void ForEach(Range& range, const Body& body) {
    ForEach(std::begin(range), std::end(range), body);
}

// Calls body(i) for every i in [0, count).
template <typename Body>
void For(size_t count, const Body& body) {
#if defined(TWINLINK_PARALLEL_THREADS)
    detail::Spread(count, body);
#else
    tbb::parallel_for(size_t{0}, count, body);
#endif
}

// Runs both tasks concurrently and returns when both are done.
template <typename A, typename B>
void Invoke(const A& a, const B& b) {
#if defined(TWINLINK_PARALLEL_THREADS)
    if (!detail::TakeHelper()) {
        a();
        b();
        return;
    }
    std::thread other(a);
    b();
    other.join();
    ++detail::freeHelpers;
#else
    tbb::parallel_invoke(a, b);
#endif
}

}  // namespace twinlink::parallel
