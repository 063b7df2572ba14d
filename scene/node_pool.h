// Nodes of one kind, made in chunks rather than one allocation each: a model of a million faces
// has half a million leaves, and a heap block apiece costs both time and memory. A node given
// back is made anew in its slot (type None) and handed out again first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "scene/tree_node.h"

namespace korvan {

template <typename Node>
class NodePool {
  public:
    static constexpr size_t kChunkNodes = 1024;

    NodePool() = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;

    Node* Make() {
        ++live_;
        if (!free_.empty()) {
            Node* node = free_.back();
            free_.pop_back();
            return node;
        }
        if (chunks_.empty() || usedInLast_ == kChunkNodes) {
            chunks_.push_back(std::make_unique<Node[]>(kChunkNodes));
            usedInLast_ = 0;
        }
        return &chunks_.back()[usedInLast_++];
    }

    void Release(Node* node) {
        node->~Node();
        new (node) Node();
        free_.push_back(node);
        --live_;
    }

    // Every node handed out and not given back.
    template <typename Body>
    void ForEach(const Body& body) const {
        for (size_t c = 0; c < chunks_.size(); ++c) {
            const size_t used = c + 1 == chunks_.size() ? usedInLast_ : kChunkNodes;
            for (size_t i = 0; i < used; ++i)
                if (chunks_[c][i].type != NodeType::None) body(&chunks_[c][i]);
        }
    }

    size_t size() const { return live_; }

    void clear() {
        chunks_.clear();
        free_.clear();
        usedInLast_ = 0;
        live_ = 0;
    }

  private:
    std::vector<std::unique_ptr<Node[]>> chunks_;
    std::vector<Node*> free_;
    size_t usedInLast_ = 0;
    size_t live_ = 0;
};

// Every node of the mirror: containers and leaves, each in their own pool.
class NodeStore {
  public:
    ContainerNode* MakeContainer() { return containers_.Make(); }
    LeafNode* MakeLeaf() { return leaves_.Make(); }
    void Release(TreeNode* node) {
        if (node->IsLeaf()) leaves_.Release(static_cast<LeafNode*>(node));
        else containers_.Release(static_cast<ContainerNode*>(node));
    }

    template <typename Body>
    void ForEachLeaf(const Body& body) const { leaves_.ForEach(body); }
    template <typename Body>
    void ForEachContainer(const Body& body) const { containers_.ForEach(body); }
    template <typename Body>
    void ForEach(const Body& body) const {
        containers_.ForEach(body);
        leaves_.ForEach(body);
    }

    size_t size() const { return containers_.size() + leaves_.size(); }
    bool empty() const { return size() == 0; }
    void clear() {
        containers_.clear();
        leaves_.clear();
    }

  private:
    NodePool<ContainerNode> containers_;
    NodePool<LeafNode> leaves_;
};

}  // namespace korvan
