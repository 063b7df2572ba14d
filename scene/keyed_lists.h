// Lists of nodes by key (an entity id, a material id), each node remembering where it stands in
// the lists it is in: adding and removing cost the same however long a list is, with no heap
// block per entry, and a list reads as one array. `PlaceOf(node, key)` gives the node's index
// field for that key's list.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace korvan {

template <typename Node, typename PlaceOf>
class KeyedLists {
  public:
    using List = std::vector<Node*>;

    void Add(uint32_t key, Node* node) { AddTo(lists_[key], key, node); }

    // The key's list, made when missing, for a caller that adds many nodes under one key without
    // looking the key up each time. The list stays where it is while other keys come and go;
    // it must not be left empty.
    List& ListFor(uint32_t key) { return lists_[key]; }

    static void AddTo(List& list, uint32_t key, Node* node) {
        PlaceOf{}(node, key) = static_cast<uint32_t>(list.size());
        list.push_back(node);
    }

    // Nothing happens when the node is not in the key's list.
    void Remove(uint32_t key, Node* node) {
        const auto found = lists_.find(key);
        if (found == lists_.end()) return;
        List& list = found->second;
        const uint32_t place = PlaceOf{}(node, key);
        if (place >= list.size() || list[place] != node) return;
        Node* last = list.back();
        list[place] = last;
        PlaceOf{}(last, key) = place;
        list.pop_back();
        if (list.empty()) lists_.erase(found);
    }

    // The key's list; empty when nothing is listed under it.
    std::span<Node* const> Find(uint32_t key) const {
        const auto found = lists_.find(key);
        if (found == lists_.end()) return {};
        return found->second;
    }

    bool contains(uint32_t key) const { return lists_.contains(key); }
    size_t size() const { return lists_.size(); }
    bool empty() const { return lists_.empty(); }
    void clear() { lists_.clear(); }

  private:
    std::unordered_map<uint32_t, List> lists_;
};

}  // namespace korvan
