// The parallel runtime's containers, under the plug-in's own names. Which runtime is built is
// one CMake setting, TWINLINK_PARALLEL:
//   tbb      oneTBB's containers (concurrent_unordered_set, concurrent_vector,
//            concurrent_hash_map). The Linux main build.
//   threads  the small implementation below, over std::mutex, defining
//            TWINLINK_PARALLEL_THREADS. Windows always: MinGW-w64 has no oneTBB. The
//            ThreadSanitizer build too: Debian's oneTBB is not built for TSan, whose reports
//            about TBB's internals would be noise, while the standard locks here are fully
//            visible to it; so TSan checks the very containers that run on Windows.
// parallel.h makes the same choice for the loops.
//
// Only what the plug-in uses is offered, with the guarantees it relies on, which oneTBB's types
// give as well:
//
// UnorderedSet<T>
//   insert and count may run on any number of threads at once (the tree operations insert from
//   parallel tasks; a sync pass inserts from its per-material tasks). Iteration, clear,
//   unsafe_erase and max_load_factor only while no other thread uses the set: the scene lock, or
//   the end of the parallel loop that filled it, gives that.
// Vector<T>
//   push_back may run on any number of threads at once (tasks collecting nodes or Korvan's
//   windows). Elements are read once the loop that appends has ended.
// HashMap<Key, T>
//   find, insert and erase may run on any number of threads at once (the worker's per-material
//   tasks create, map and release data sections concurrently). An accessor holds its element
//   exclusively and a const_accessor for reading, until it is released or destroyed (oneTBB lets
//   const_accessors share an element; the threads runtime holds it alone, which the plug-in never
//   notices: no two of its threads read one entry at once). A thread waiting for an element that
//   another one erases finds it gone (or, when inserting, makes a new one). Iteration and clear
//   only while no other thread uses the map. One thread holds at most one accessor of a map at a
//   time.
//
// The threads runtime takes no std::shared_mutex: MinGW's, over winpthreads' read-write lock, let
// two writers into one element under Wine (ConcurrentHashMapTest lost additions); std::mutex
// holds.
#pragma once

#if defined(TWINLINK_PARALLEL_THREADS)
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>
#else
#include <tbb/concurrent_hash_map.h>
#include <tbb/concurrent_unordered_set.h>
#include <tbb/concurrent_vector.h>
#endif

namespace twinlink::concurrent {

#if !defined(TWINLINK_PARALLEL_THREADS)

template <typename T>
using UnorderedSet = tbb::concurrent_unordered_set<T>;
template <typename T>
using Vector = tbb::concurrent_vector<T>;
template <typename Key, typename T>
using HashMap = tbb::concurrent_hash_map<Key, T>;

#else

template <typename T>
class UnorderedSet {
    using Items = std::unordered_set<T>;

  public:
    using value_type = T;
    using iterator = typename Items::iterator;
    using const_iterator = typename Items::const_iterator;

    UnorderedSet() = default;
    explicit UnorderedSet(size_t buckets) : items_(buckets) {}

    void insert(const T& value) {
        std::lock_guard<std::mutex> guard(mutex_);
        items_.insert(value);
    }
    size_t count(const T& value) const {
        std::lock_guard<std::mutex> guard(mutex_);
        return items_.count(value);
    }
    bool empty() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return items_.empty();
    }
    size_t size() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return items_.size();
    }

    // Not concurrent with anything.
    size_t unsafe_erase(const T& value) { return items_.erase(value); }
    void clear() { items_.clear(); }
    void max_load_factor(float factor) { items_.max_load_factor(factor); }
    iterator begin() { return items_.begin(); }
    iterator end() { return items_.end(); }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

  private:
    mutable std::mutex mutex_;
    Items items_;
};

template <typename T>
class Vector {
    using Items = std::vector<T>;

  public:
    using value_type = T;
    using iterator = typename Items::iterator;
    using const_iterator = typename Items::const_iterator;

    Vector() = default;
    // Moved only when no other thread uses either vector (a result handed back).
    Vector(Vector&& other) noexcept : items_(std::move(other.items_)) {}
    Vector& operator=(Vector&& other) noexcept {
        items_ = std::move(other.items_);
        return *this;
    }

    void push_back(const T& value) {
        std::lock_guard<std::mutex> guard(mutex_);
        items_.push_back(value);
    }

    // Once the appending has ended.
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const T& operator[](size_t index) const { return items_[index]; }
    iterator begin() { return items_.begin(); }
    iterator end() { return items_.end(); }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

  private:
    std::mutex mutex_;
    Items items_;
};

// Each element lives in a node of its own with its own lock. The table's lock guards only which
// nodes exist and is never held while waiting for a node, so a holder of one element can erase
// it (taking the table's lock) while others wait for that element. Nodes are shared: a waiter
// keeps the node alive, and on getting it sees whether it was erased meanwhile.
template <typename Key, typename T>
class HashMap {
  public:
    using value_type = std::pair<const Key, T>;

  private:
    struct Node {
        explicit Node(const value_type& value) : item(value) {}
        std::mutex lock;
        value_type item;
        bool erased = false;  // written by the eraser while it holds the node
    };
    using Nodes = std::unordered_map<Key, std::shared_ptr<Node>>;

    template <typename Base, typename Value>
    class Iterator {
      public:
        explicit Iterator(Base at) : at_(at) {}
        Value& operator*() const { return at_->second->item; }
        Value* operator->() const { return &at_->second->item; }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        bool operator==(const Iterator& other) const { return at_ == other.at_; }

      private:
        Base at_;
    };

  public:
    using iterator = Iterator<typename Nodes::iterator, value_type>;
    using const_iterator = Iterator<typename Nodes::const_iterator, const value_type>;

    class const_accessor {
      public:
        const_accessor() = default;
        ~const_accessor() { release(); }
        const_accessor(const const_accessor&) = delete;
        const_accessor& operator=(const const_accessor&) = delete;

        bool empty() const { return node_ == nullptr; }
        void release() {
            if (node_ == nullptr) return;
            node_->lock.unlock();
            node_.reset();
        }
        const value_type& operator*() const { return node_->item; }
        const value_type* operator->() const { return &node_->item; }

      private:
        friend class HashMap;
        std::shared_ptr<Node> node_;
    };

    class accessor : public const_accessor {
      public:
        value_type& operator*() const { return this->node_->item; }
        value_type* operator->() const { return &this->node_->item; }
    };

    HashMap() = default;
    HashMap(const HashMap&) = delete;
    HashMap& operator=(const HashMap&) = delete;

    // The element of `key`, for reading; false when there is none.
    bool find(const_accessor& result, const Key& key) const {
        return Find(result, key);
    }
    // The element of `key`, exclusively; false when there is none.
    bool find(accessor& result, const Key& key) {
        return Find(result, key);
    }
    // The element of `key`, exclusively, made with a default value when missing; true when it
    // was made.
    bool insert(accessor& result, const Key& key) {
        result.release();
        for (;;) {
            std::shared_ptr<Node> node;
            bool made = false;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                auto [at, added] = nodes_.try_emplace(key);
                if (added) at->second = std::make_shared<Node>(value_type(key, T()));
                node = at->second;
                made = added;
            }
            if (Hold(result, std::move(node))) return made;
        }
    }
    // Adds `value` unless its key is there; true when added.
    bool insert(const value_type& value) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto [at, added] = nodes_.try_emplace(value.first);
        if (added) at->second = std::make_shared<Node>(value);
        return added;
    }
    // Erases the element the accessor holds and releases it.
    bool erase(accessor& held) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            const auto at = nodes_.find(held.node_->item.first);
            if (at != nodes_.end() && at->second == held.node_) nodes_.erase(at);
        }
        held.node_->erased = true;
        held.release();
        return true;
    }

    // Not concurrent with anything.
    void clear() { nodes_.clear(); }
    iterator begin() { return iterator(nodes_.begin()); }
    iterator end() { return iterator(nodes_.end()); }
    const_iterator begin() const { return const_iterator(nodes_.begin()); }
    const_iterator end() const { return const_iterator(nodes_.end()); }

  private:
    bool Find(const_accessor& result, const Key& key) const {
        result.release();
        for (;;) {
            std::shared_ptr<Node> node;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                const auto at = nodes_.find(key);
                if (at == nodes_.end()) return false;
                node = at->second;
            }
            if (Hold(result, std::move(node))) return true;
        }
    }

    // Waits for the node; false when it was erased meanwhile (the caller looks again).
    static bool Hold(const_accessor& result, std::shared_ptr<Node> node) {
        node->lock.lock();
        if (node->erased) {
            node->lock.unlock();
            return false;
        }
        result.node_ = std::move(node);
        return true;
    }

    mutable std::mutex mutex_;
    Nodes nodes_;
};

#endif

}  // namespace twinlink::concurrent
