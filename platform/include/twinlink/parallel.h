// The parallel runtime's loops as the plug-in uses them. They run on oneTBB. In a
// ThreadSanitizer build they run on plain threads instead: Debian's oneTBB is not built for
// TSan, so TSan cannot see how TBB hands tasks between its workers and reports TBB's own
// bookkeeping as races, while plain threads show every hand-over. Either way the bodies run
// concurrently, so races between them are still found.
#pragma once

#include <cstddef>
#include <iterator>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#include <atomic>
#include <thread>
#else
#include <tbb/parallel_for.h>
#include <tbb/parallel_for_each.h>
#include <tbb/parallel_invoke.h>
#endif

namespace twinlink::parallel {

#if defined(__SANITIZE_THREAD__)
namespace detail {
// Runs work(i) for i in [0, count) on a few threads that take the next index in turn.
template <typename Work>
void Spread(size_t count, const Work& work) {
    std::atomic<size_t> next{0};
    auto drain = [&] {
        for (size_t i = next++; i < count; i = next++) work(i);
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < 4 && t < count; ++t) helpers.emplace_back(drain);
    drain();
    for (std::thread& h : helpers) h.join();
}
}  // namespace detail
#endif

// Calls body(item) for every item of [first, last).
template <typename Iterator, typename Body>
void ForEach(Iterator first, Iterator last, const Body& body) {
#if defined(__SANITIZE_THREAD__)
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
#if defined(__SANITIZE_THREAD__)
    detail::Spread(count, body);
#else
    tbb::parallel_for(size_t{0}, count, body);
#endif
}

// Runs both tasks concurrently and returns when both are done.
template <typename A, typename B>
void Invoke(const A& a, const B& b) {
#if defined(__SANITIZE_THREAD__)
    std::thread other(a);
    b();
    other.join();
#else
    tbb::parallel_invoke(a, b);
#endif
}

}  // namespace twinlink::parallel
