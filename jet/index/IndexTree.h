// One index B-tree on an IndexPageStore: lookup, insert (with unique check) and delete,
// keeping the rules Access relies on:
//  - a node entry repeats its child's last entry (key + row pointer) plus the child page;
//  - a node with two or more children stores all but the last as entries and the last
//    as its child tail; a node with one child stores it as its only entry;
//  - leaves are linked prev/next across the whole level, node pages only within their
//    parent; the root page never moves (a full root hands its content to a new child).
// Pages split when their entries no longer fit, merge with a sibling when both are
// nearly empty, and are freed when empty. Every operation reads what it needs, changes
// copies and writes the changed pages only when it has succeeded; a refused insert
// writes nothing.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/index/IndexEntry.h"
#include "jet/index/IndexPage.h"
#include "jet/index/IndexPageStore.h"

namespace jet::index {

class IndexTree {
 public:
  // `name` is used in messages (e.g. "MSysObjects.ParentIdName").
  IndexTree(IndexPageStore& store, const IndexPageLayout& layout, uint32_t rootPage, uint32_t tdefPage,
            std::string name);
  ~IndexTree();
  IndexTree(const IndexTree&) = delete;
  IndexTree& operator=(const IndexTree&) = delete;

  // Writes an empty root leaf on `rootPage` (a new index).
  static Status CreateEmpty(IndexPageStore& store, const IndexPageLayout& layout, uint32_t rootPage,
                            uint32_t tdefPage);

  // Inserts a leaf entry. With `unique`, an entry whose key equals an existing key is
  // refused with ErrorCode::kExists and nothing is written (pass false for all-null
  // keys, which Access allows to repeat). Returns true if no entry had this key before
  // (the table definition counts such keys).
  Result<bool> insert(const IndexEntry& entry, bool unique);

  // Removes the entry with this key and row pointer; ErrorCode::kNotFound if absent.
  Status remove(const IndexEntry& entry);

  // Row pointers of the entries whose key equals `key`, in index order.
  Result<std::vector<RowPointer>> find(std::span<const uint8_t> key);

  // Every leaf entry in index order.
  Result<std::vector<IndexEntry>> entries();

 private:
  struct Node;
  Result<Node*> load(uint32_t page);
  Result<Node*> allocate(bool leaf);
  Status loadTailSeparator(Node& node);
  Result<Node*> descendToLeaf(const IndexEntry& probe);
  Status insertInto(Node& node, const IndexEntry& entry, int depth);
  Status removeFrom(Node& node, const IndexEntry& entry, bool& found, int depth);
  Status splitChild(Node& parent, size_t index);
  Status mergeChildren(Node& parent, size_t left);
  Status unlinkFromPeers(Node& node);
  Status nestRoot(Node& root);
  Status collapseRoot(Node& root);
  Status fixOverflow(Node& parent, size_t index);
  Status maybeMerge(Node& parent, size_t index);
  size_t encodedSize(const Node& node, bool withPrefix) const;
  bool overflows(const Node& node) const;
  Status commit();
  void discard();

  IndexPageStore& store_;
  IndexPageLayout layout_;
  uint32_t rootPage_;
  uint32_t tdefPage_;
  std::string name_;
  std::map<uint32_t, std::unique_ptr<Node>> cache_;  // pages of the running operation
  std::vector<uint32_t> freed_;
  std::set<uint32_t> loading_;  // node pages whose tail is being read (loop check)
};

// What the consistency check learns from one index.
struct IndexTreeReport {
  size_t entryCount = 0;
  size_t depth = 1;             // levels, a lone root leaf = 1
  std::vector<uint32_t> pages;  // every page of the tree
  // Upper-level entries above their child's last entry (left so by Access after deletes).
  size_t looseEntries = 0;
  uint32_t firstLoosePage = 0;
};

struct IndexTreeCheck {
  uint32_t rootPage = 0;
  uint32_t tdefPage = 0;
  bool unique = false;
  // Keys of exactly this many bytes, all null flags (0x00/0xFF), may repeat in a
  // unique index; 0 = no such exception.
  size_t columnCount = 0;
  std::string name;
};

// Walks the whole tree and checks order, node entry >= child's last entry and < the next child's entries, the tail
// rule, equal leaf depth, prev/next links, the owner TDEF of each page, uniqueness and
// that no page is reached twice. The first problem found is returned as kCorrupt,
// naming the index and the page.
Result<IndexTreeReport> ValidateIndexTree(IndexPageStore& store, const IndexPageLayout& layout,
                                          const IndexTreeCheck& check);

}  // namespace jet::index
