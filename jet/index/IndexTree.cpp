#include "jet/index/IndexTree.h"

#include <algorithm>
#include <cassert>

namespace jet::index {

// A page of the running operation. For node pages `page.entries` holds one entry per
// child, the tail child included (its key and row pointer = that subtree's last
// entry); the on-disk form is made only when the page is written.
struct IndexTree::Node {
  uint32_t number = 0;
  IndexPage page;
  size_t prefixHint = 0;  // shared prefix the page had; kept while still valid
  bool dirty = false;
};

namespace {

constexpr size_t kNoPrefixLimit = static_cast<size_t>(-1);
constexpr int kMaxDepth = 64;  // far beyond any real tree: deeper means a page loop

Status TooDeep(const std::string& name) {
  return Status(ErrorCode::kCorrupt, "index " + name + ": tree too deep (a page loop?)");
}

// First entry >= probe, or entries.size().
size_t LowerBound(const std::vector<IndexEntry>& entries, const IndexEntry& probe) {
  return std::lower_bound(entries.begin(), entries.end(), probe,
                          [](const IndexEntry& a, const IndexEntry& b) { return CompareEntries(a, b) < 0; }) -
         entries.begin();
}

// Child to descend into: the first whose last entry is >= probe, else the last child.
size_t ChildFor(const std::vector<IndexEntry>& children, const IndexEntry& probe) {
  const size_t i = LowerBound(children, probe);
  return i < children.size() ? i : children.size() - 1;
}

IndexEntry Separator(const IndexEntry& last, uint32_t child) {
  assert(child != 0 && "a child pointer names a page");
  IndexEntry e{last.key, last.row, child};
  return e;
}

bool SameEntry(const IndexEntry& a, const IndexEntry& b) { return CompareEntries(a, b) == 0; }

}  // namespace

IndexTree::IndexTree(IndexPageStore& store, const IndexPageLayout& layout, uint32_t rootPage, uint32_t tdefPage,
                     std::string name)
    : store_(store), layout_(layout), rootPage_(rootPage), tdefPage_(tdefPage), name_(std::move(name)) {}

IndexTree::~IndexTree() = default;

Status IndexTree::CreateEmpty(IndexPageStore& store, const IndexPageLayout& layout, uint32_t rootPage,
                              uint32_t tdefPage) {
  IndexPage page;
  page.tdefPage = tdefPage;
  std::vector<uint8_t> bytes(layout.pageSize);
  JET_RETURN_IF_ERROR(EncodeIndexPage(page, layout, bytes));
  return store.writePage(rootPage, bytes);
}

Result<IndexTree::Node*> IndexTree::load(uint32_t number) {
  auto it = cache_.find(number);
  if (it != cache_.end()) return it->second.get();
  if (number == 0) return Status(ErrorCode::kCorrupt, "index " + name_ + ": link to page 0");
  std::vector<uint8_t> bytes(layout_.pageSize);
  JET_RETURN_IF_ERROR(store_.readPage(number, bytes));
  Result<IndexPage> decoded = DecodeIndexPage(bytes, layout_, number);
  if (!decoded.ok()) return Status(decoded.status().code(), "index " + name_ + ": " + decoded.status().message());
  auto node = std::make_unique<Node>();
  node->number = number;
  node->page = std::move(decoded.value());
  node->prefixHint = node->page.prefixLength;
  Node* raw = node.get();
  cache_.emplace(number, std::move(node));
  if (!raw->page.leaf) {
    if (raw->page.entries.empty()) {
      return Status(ErrorCode::kCorrupt, "index " + name_ + ": node page " + std::to_string(number) + " is empty");
    }
    JET_RETURN_IF_ERROR(loadTailSeparator(*raw));
  }
  return raw;
}

// Adds the tail child as a last child entry, keyed by the last entry of its subtree.
Status IndexTree::loadTailSeparator(Node& node) {
  const uint32_t tail = node.page.tailPage;
  if (tail == 0) return Status::Ok();
  if (!loading_.insert(node.number).second || loading_.count(tail)) {
    return Status(ErrorCode::kCorrupt, "index " + name_ + ": child tail of page " + std::to_string(node.number) +
                                           " leads back into the tree (page " + std::to_string(tail) + ")");
  }
  Result<Node*> child = load(tail);
  loading_.erase(node.number);
  if (!child.ok()) return child.status();
  if ((*child)->page.entries.empty()) {
    return Status(ErrorCode::kCorrupt, "index " + name_ + ": tail page " + std::to_string(tail) + " is empty");
  }
  node.page.entries.push_back(Separator((*child)->page.entries.back(), tail));
  node.page.tailPage = 0;
  return Status::Ok();
}

Result<IndexTree::Node*> IndexTree::allocate(bool leaf) {
  JET_ASSIGN_OR_RETURN(uint32_t number, store_.allocatePage());
  // A page the tree is using, handed out as free: the file's map of free pages is wrong.
  if (number == 0 || number == rootPage_ || cache_.contains(number)) {
    return Status(ErrorCode::kCorrupt, "index " + name_ + ": page " + std::to_string(number) +
                                           " is in use by the index but marked free");
  }
  auto node = std::make_unique<Node>();
  node->number = number;
  node->page.leaf = leaf;
  node->page.tdefPage = tdefPage_;
  node->prefixHint = kNoPrefixLimit;  // a new page takes the full shared prefix
  node->dirty = true;
  Node* raw = node.get();
  cache_[number] = std::move(node);
  return raw;
}

size_t IndexTree::encodedSize(const Node& node, bool withPrefix) const {
  // As stored: a node's last child is its tail and takes no entry bytes.
  const std::vector<IndexEntry>& all = node.page.entries;
  const size_t stored = (!node.page.leaf && all.size() >= 2) ? all.size() - 1 : all.size();
  if (stored == 0) return 0;
  size_t total = 0;
  for (size_t i = 0; i < stored; ++i) total += all[i].storedSize(!node.page.leaf);
  if (withPrefix && (node.page.leaf || layout_.prefixOnNodes)) {
    const std::vector<uint8_t>& a = all.front().key;
    const std::vector<uint8_t>& b = all[stored - 1].key;
    size_t common = 0;
    while (common < a.size() && common < b.size() && a[common] == b[common]) ++common;
    total -= std::min<size_t>(common, layout_.maxPrefix()) * (stored - 1);
  }
  return total;
}

bool IndexTree::overflows(const Node& node) const {
  return encodedSize(node, true) > layout_.maxEntryBytes();
}

Result<IndexTree::Node*> IndexTree::descendToLeaf(const IndexEntry& probe) {
  Result<Node*> cur = load(rootPage_);
  for (int depth = 0; cur.ok() && !(*cur)->page.leaf; ++depth) {
    if (depth > kMaxDepth) return TooDeep(name_);
    const std::vector<IndexEntry>& children = (*cur)->page.entries;
    cur = load(children[ChildFor(children, probe)].child);
  }
  return cur;
}

Result<bool> IndexTree::insert(const IndexEntry& entry, bool unique) {
  discard();
  // Is the key there already? The leaf holding the first entry >= (key, lowest row)
  // answers it, or the next leaf if the probe falls after its last entry.
  IndexEntry probe{entry.key, RowPointer{0, 0}, 0};
  bool keyExists = false;
  {
    JET_ASSIGN_OR_RETURN(Node* leaf, descendToLeaf(probe));
    Node* n = leaf;
    size_t pos = LowerBound(n->page.entries, probe);
    if (pos == n->page.entries.size() && n->page.nextPage != 0) {
      JET_ASSIGN_OR_RETURN(Node* next, load(n->page.nextPage));
      n = next;
      pos = 0;
    }
    if (pos < n->page.entries.size()) {
      const IndexEntry& found = n->page.entries[pos];
      keyExists = CompareKeys(found.key, entry.key) == 0;
      if (keyExists && unique) {
        discard();
        return Status(ErrorCode::kExists, "index " + name_ + " already has an entry with this key");
      }
    }
  }
  JET_ASSIGN_OR_RETURN(Node* root, load(rootPage_));
  Status st = insertInto(*root, entry, 0);
  if (st.ok() && overflows(*root)) st = nestRoot(*root);
  if (!st.ok()) {
    discard();
    return st;
  }
  JET_RETURN_IF_ERROR(commit());
  return !keyExists;
}

Status IndexTree::insertInto(Node& node, const IndexEntry& entry, int depth) {
  if (depth > kMaxDepth) return TooDeep(name_);
  std::vector<IndexEntry>& entries = node.page.entries;
  if (node.page.leaf) {
    const size_t pos = LowerBound(entries, entry);
    if (pos < entries.size() && SameEntry(entries[pos], entry)) {
      return Status(ErrorCode::kExists, "index " + name_ + " already has this entry for row " +
                                            std::to_string(entry.row.page) + ":" + std::to_string(entry.row.row));
    }
    IndexEntry stored{entry.key, entry.row, 0};
    entries.insert(entries.begin() + pos, std::move(stored));
    // A leaf's entries were in order when read (decoding checks it), so its neighbours decide.
    assert((pos == 0 || CompareEntries(entries[pos - 1], entries[pos]) < 0) &&
           (pos + 1 == entries.size() || CompareEntries(entries[pos], entries[pos + 1]) < 0) &&
           "leaf entries in order after an insert");
    node.dirty = true;
    return Status::Ok();
  }
  const size_t i = ChildFor(entries, entry);
  JET_ASSIGN_OR_RETURN(Node* child, load(entries[i].child));
  JET_RETURN_IF_ERROR(insertInto(*child, entry, depth + 1));
  const IndexEntry& last = child->page.entries.back();
  if (!SameEntry(entries[i], last)) {
    entries[i] = Separator(last, child->number);
    node.dirty = true;
  }
  return fixOverflow(node, i);
}

// Splits child `index` of `parent` until every part fits.
Status IndexTree::fixOverflow(Node& parent, size_t index) {
  for (int guard = 0; guard < 16; ++guard) {
    JET_ASSIGN_OR_RETURN(Node* child, load(parent.page.entries[index].child));
    if (!overflows(*child)) {
      if (index + 1 < parent.page.entries.size()) {
        JET_ASSIGN_OR_RETURN(Node* right, load(parent.page.entries[index + 1].child));
        if (overflows(*right)) {
          ++index;
          continue;
        }
      }
      return Status::Ok();
    }
    JET_RETURN_IF_ERROR(splitChild(parent, index));
  }
  return Status(ErrorCode::kInvalidArgument, "index " + name_ + ": an entry is too large for an index page");
}

// Moves the first half (by bytes) of child `index` into a new page placed before it.
Status IndexTree::splitChild(Node& parent, size_t index) {
  JET_ASSIGN_OR_RETURN(Node* origR, load(parent.page.entries[index].child));
  Node& orig = *origR;
  std::vector<IndexEntry>& entries = orig.page.entries;
  if (entries.size() < 2) return Status(ErrorCode::kInvalidArgument, "index " + name_ + ": entry too large for a page");

  size_t total = 0;
  for (const IndexEntry& e : entries) total += e.storedSize(!orig.page.leaf);
  size_t head = 0, acc = 0;
  while (head < entries.size() - 1 && (head == 0 || acc < total / 2)) acc += entries[head++].storedSize(!orig.page.leaf);

  JET_ASSIGN_OR_RETURN(Node* fresh, allocate(orig.page.leaf));
  Node& added = *fresh;
  added.page.entries.assign(std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.begin() + head));
  entries.erase(entries.begin(), entries.begin() + head);
  assert(!added.page.entries.empty() && !entries.empty() &&
         (!orig.page.leaf || CompareEntries(added.page.entries.back(), entries.front()) < 0) &&
         "a split leaves two non-empty pages, the new one first in order");
  orig.prefixHint = kNoPrefixLimit;
  orig.dirty = true;

  // Link the new page in before the old one.
  added.page.prevPage = orig.page.prevPage;
  added.page.nextPage = orig.number;
  orig.page.prevPage = added.number;
  if (added.page.prevPage != 0) {
    JET_ASSIGN_OR_RETURN(Node* prev, load(added.page.prevPage));
    prev->page.nextPage = added.number;
    prev->dirty = true;
  }
  // Node pages below are linked only within one parent: cut the link across the split.
  if (!added.page.leaf) {
    JET_ASSIGN_OR_RETURN(Node* lastChild, load(added.page.entries.back().child));
    JET_ASSIGN_OR_RETURN(Node* firstChild, load(orig.page.entries.front().child));
    if (!lastChild->page.leaf) {
      lastChild->page.nextPage = 0;
      firstChild->page.prevPage = 0;
      lastChild->dirty = firstChild->dirty = true;
    }
  }
  parent.page.entries.insert(parent.page.entries.begin() + index,
                             Separator(added.page.entries.back(), added.number));
  parent.dirty = true;
  return Status::Ok();
}

// The root keeps its page number: its content moves to a new only child, which splits.
Status IndexTree::nestRoot(Node& root) {
  JET_ASSIGN_OR_RETURN(Node* fresh, allocate(root.page.leaf));
  Node& child = *fresh;
  child.page.entries = std::move(root.page.entries);
  child.prefixHint = root.prefixHint;
  root.page.entries = {Separator(child.page.entries.back(), child.number)};
  root.page.leaf = false;
  root.page.prevPage = root.page.nextPage = 0;
  root.prefixHint = kNoPrefixLimit;
  root.dirty = true;
  return fixOverflow(root, 0);
}

Status IndexTree::remove(const IndexEntry& entry) {
  discard();
  JET_ASSIGN_OR_RETURN(Node* root, load(rootPage_));
  bool found = false;
  Status st = removeFrom(*root, entry, found, 0);
  if (st.ok() && !found) {
    st = Status(ErrorCode::kNotFound, "index " + name_ + " has no entry for row " + std::to_string(entry.row.page) +
                                          ":" + std::to_string(entry.row.row));
  }
  if (st.ok()) st = collapseRoot(*root);
  if (!st.ok()) {
    discard();
    return st;
  }
  return commit();
}

Status IndexTree::removeFrom(Node& node, const IndexEntry& entry, bool& found, int depth) {
  if (depth > kMaxDepth) return TooDeep(name_);
  std::vector<IndexEntry>& entries = node.page.entries;
  if (node.page.leaf) {
    const size_t pos = LowerBound(entries, entry);
    if (pos < entries.size() && SameEntry(entries[pos], entry)) {
      entries.erase(entries.begin() + pos);
      node.dirty = true;
      found = true;
    }
    return Status::Ok();
  }
  const size_t i = ChildFor(entries, entry);
  JET_ASSIGN_OR_RETURN(Node* childR, load(entries[i].child));
  Node& child = *childR;
  JET_RETURN_IF_ERROR(removeFrom(child, entry, found, depth + 1));
  if (!found) return Status::Ok();
  node.dirty = true;
  if (child.page.entries.empty()) {
    // An empty page leaves the tree.
    JET_RETURN_IF_ERROR(unlinkFromPeers(child));
    freed_.push_back(child.number);
    entries.erase(entries.begin() + i);
    return Status::Ok();
  }
  entries[i] = Separator(child.page.entries.back(), child.number);
  return maybeMerge(node, i);
}

Status IndexTree::unlinkFromPeers(Node& node) {
  if (node.page.prevPage != 0) {
    JET_ASSIGN_OR_RETURN(Node* prev, load(node.page.prevPage));
    prev->page.nextPage = node.page.nextPage;
    prev->dirty = true;
  }
  if (node.page.nextPage != 0) {
    JET_ASSIGN_OR_RETURN(Node* next, load(node.page.nextPage));
    next->page.prevPage = node.page.prevPage;
    next->dirty = true;
  }
  return Status::Ok();
}

// Joins a child that has become small with a sibling when both fit well on one page.
Status IndexTree::maybeMerge(Node& parent, size_t index) {
  const size_t limit = layout_.maxEntryBytes();
  JET_ASSIGN_OR_RETURN(Node* child, load(parent.page.entries[index].child));
  if (encodedSize(*child, false) >= limit / 4 || parent.page.entries.size() < 2) return Status::Ok();
  const size_t left = index + 1 < parent.page.entries.size() ? index : index - 1;
  JET_ASSIGN_OR_RETURN(Node* a, load(parent.page.entries[left].child));
  JET_ASSIGN_OR_RETURN(Node* b, load(parent.page.entries[left + 1].child));
  if (encodedSize(*a, false) + encodedSize(*b, false) > limit * 3 / 4) return Status::Ok();
  return mergeChildren(parent, left);
}

// Moves child `left`'s entries to the front of child `left + 1` and drops `left`.
Status IndexTree::mergeChildren(Node& parent, size_t left) {
  JET_ASSIGN_OR_RETURN(Node* lr, load(parent.page.entries[left].child));
  JET_ASSIGN_OR_RETURN(Node* rr, load(parent.page.entries[left + 1].child));
  Node& l = *lr;
  Node& r = *rr;
  if (!l.page.leaf) {
    // Their children now share a parent, so node pages among them get linked.
    JET_ASSIGN_OR_RETURN(Node* lastOfLeft, load(l.page.entries.back().child));
    JET_ASSIGN_OR_RETURN(Node* firstOfRight, load(r.page.entries.front().child));
    if (!lastOfLeft->page.leaf) {
      lastOfLeft->page.nextPage = firstOfRight->number;
      firstOfRight->page.prevPage = lastOfLeft->number;
      lastOfLeft->dirty = firstOfRight->dirty = true;
    }
  }
  r.page.entries.insert(r.page.entries.begin(), std::make_move_iterator(l.page.entries.begin()),
                        std::make_move_iterator(l.page.entries.end()));
  l.page.entries.clear();
  r.prefixHint = std::min(r.prefixHint, l.prefixHint);
  r.dirty = true;
  JET_RETURN_IF_ERROR(unlinkFromPeers(l));
  freed_.push_back(l.number);
  parent.page.entries.erase(parent.page.entries.begin() + left);
  parent.dirty = true;
  return Status::Ok();
}

// A root node with one child takes that child's content; an empty root is a leaf.
Status IndexTree::collapseRoot(Node& root) {
  while (!root.page.leaf && root.page.entries.size() <= 1) {
    root.dirty = true;
    if (root.page.entries.empty()) {
      root.page.leaf = true;
      break;
    }
    JET_ASSIGN_OR_RETURN(Node* child, load(root.page.entries.front().child));
    root.page.leaf = child->page.leaf;
    root.page.entries = std::move(child->page.entries);
    root.prefixHint = std::min(root.prefixHint, child->prefixHint);
    freed_.push_back(child->number);
  }
  return Status::Ok();
}

Status IndexTree::commit() {
  std::vector<uint8_t> bytes(layout_.pageSize);
  const std::set<uint32_t> freed(freed_.begin(), freed_.end());
  // Children before parents: cache order is by page number, so write the root last.
  std::vector<Node*> order;
  for (auto& [number, node] : cache_) {
    if (node->dirty && !freed.count(number) && number != rootPage_) order.push_back(node.get());
  }
  auto rootIt = cache_.find(rootPage_);
  if (rootIt != cache_.end() && rootIt->second->dirty) order.push_back(rootIt->second.get());
  for (Node* node : order) {
    // The operation ends here, so the page's entries can move into the written form.
    IndexPage out;
    out.leaf = node->page.leaf;
    out.prevPage = node->page.prevPage;
    out.nextPage = node->page.nextPage;
    if (!out.leaf && node->page.entries.size() >= 2) {
      out.tailPage = node->page.entries.back().child;
      node->page.entries.pop_back();
    }
    out.entries = std::move(node->page.entries);
    out.tdefPage = tdefPage_;
    if (node->number == rootPage_) out.prevPage = out.nextPage = 0;
    const size_t full = std::min<size_t>(CommonKeyPrefix(out.entries), layout_.maxPrefix());
    size_t prefix = std::min(out.leaf || layout_.prefixOnNodes ? full : 0, node->prefixHint);
    if (EncodedEntryBytes(out.entries, out.leaf, prefix) > layout_.maxEntryBytes()) prefix = full;
    out.prefixLength = static_cast<uint16_t>(out.entries.empty() ? 0 : prefix);
    out.nodeMarker = out.leaf ? 0 : 1;
    Status st = EncodeIndexPage(out, layout_, bytes);
    if (!st.ok()) return Status(st.code(), "index " + name_ + ": page " + std::to_string(node->number) + ": " + st.message());
    JET_RETURN_IF_ERROR(store_.writePage(node->number, bytes));
  }
  for (uint32_t page : freed_) JET_RETURN_IF_ERROR(store_.freePage(page));
  discard();
  return Status::Ok();
}

// Forgets the pages of an operation (at its start, and when it is refused).
void IndexTree::discard() {
  loading_.clear();
  cache_.clear();
  freed_.clear();
}

Result<std::vector<RowPointer>> IndexTree::find(std::span<const uint8_t> key) {
  discard();
  IndexEntry probe{std::vector<uint8_t>(key.begin(), key.end()), RowPointer{0, 0}, 0};
  JET_ASSIGN_OR_RETURN(Node* leaf, descendToLeaf(probe));
  std::vector<RowPointer> rows;
  Node* n = leaf;
  size_t pos = LowerBound(n->page.entries, probe);
  for (size_t hops = 0;; ++hops) {
    for (; pos < n->page.entries.size(); ++pos) {
      if (CompareKeys(n->page.entries[pos].key, key) != 0) {
        cache_.clear();
        return rows;
      }
      rows.push_back(n->page.entries[pos].row);
    }
    if (n->page.nextPage == 0 || hops > cache_.size() + 1024 * 1024) break;
    JET_ASSIGN_OR_RETURN(Node* next, load(n->page.nextPage));
    n = next;
    pos = 0;
  }
  cache_.clear();
  return rows;
}

Result<std::vector<IndexEntry>> IndexTree::entries() {
  discard();
  JET_ASSIGN_OR_RETURN(Node* leaf, descendToLeaf(IndexEntry{}));
  std::vector<IndexEntry> all;
  std::set<uint32_t> seen;
  for (Node* n = leaf;;) {
    if (!seen.insert(n->number).second) return Status(ErrorCode::kCorrupt, "index " + name_ + ": leaf pages form a loop");
    all.insert(all.end(), n->page.entries.begin(), n->page.entries.end());
    if (n->page.nextPage == 0) break;
    JET_ASSIGN_OR_RETURN(Node* next, load(n->page.nextPage));
    n = next;
  }
  cache_.clear();
  return all;
}

// ---------------------------------------------------------------------------------

namespace {

class Validator {
 public:
  Validator(IndexPageStore& store, const IndexPageLayout& layout, const IndexTreeCheck& check)
      : store_(store), layout_(layout), check_(check) {}

  Result<IndexTreeReport> run() {
    Result<IndexEntry> last = visit(check_.rootPage, 1, true);
    if (!last.ok() && last.status().code() != ErrorCode::kNotFound) return last.status();
    // Leaves: one chain over the whole level, in tree order.
    for (size_t i = 0; i < leaves_.size(); ++i) {
      const uint32_t wantPrev = i == 0 ? 0 : leaves_[i - 1].first;
      const uint32_t wantNext = i + 1 == leaves_.size() ? 0 : leaves_[i + 1].first;
      if (leaves_[i].second.prevPage != wantPrev || leaves_[i].second.nextPage != wantNext) {
        return fail(leaves_[i].first, "leaf links prev " + std::to_string(leaves_[i].second.prevPage) + " next " +
                                          std::to_string(leaves_[i].second.nextPage) + ", expected " +
                                          std::to_string(wantPrev) + " and " + std::to_string(wantNext));
      }
    }
    report_.depth = leafDepth_ == 0 ? 1 : leafDepth_;
    return report_;
  }

 private:
  Status fail(uint32_t page, const std::string& what) {
    return Status(ErrorCode::kCorrupt, "index " + check_.name + ", page " + std::to_string(page) + ": " + what);
  }

  bool isNullKey(const std::vector<uint8_t>& key) const {
    if (check_.columnCount == 0 || key.size() != check_.columnCount) return false;
    return std::all_of(key.begin(), key.end(), [](uint8_t b) { return b == 0x00 || b == 0xFF; });
  }

  // Checks the subtree at `number`; returns its last entry (kNotFound for an empty root).
  Result<IndexEntry> visit(uint32_t number, size_t depth, bool isRoot) {
    if (number == 0) return fail(number, "link to page 0");
    if (!seen_.insert(number).second) return fail(number, "page reached twice");
    if (depth > 64) return fail(number, "tree too deep");
    report_.pages.push_back(number);
    std::vector<uint8_t> bytes(layout_.pageSize);
    JET_RETURN_IF_ERROR(store_.readPage(number, bytes));
    Result<IndexPage> decoded = DecodeIndexPage(bytes, layout_, number);
    if (!decoded.ok()) return Status(ErrorCode::kCorrupt, "index " + check_.name + ": " + decoded.status().message());
    IndexPage& page = *decoded;
    if (page.tdefPage != check_.tdefPage) {
      return fail(number, "belongs to table definition " + std::to_string(page.tdefPage) + ", expected " +
                              std::to_string(check_.tdefPage));
    }
    if (isRoot && (page.prevPage != 0 || page.nextPage != 0)) return fail(number, "root page has neighbours");

    if (page.leaf) {
      if (page.tailPage != 0) return fail(number, "leaf page has a child tail");
      if (leafDepth_ == 0) leafDepth_ = depth;
      if (leafDepth_ != depth) return fail(number, "leaves at different depths");
      for (const IndexEntry& e : page.entries) {
        if (havePrevLeafEntry_ && CompareEntries(prevLeafEntry_, e) >= 0) return fail(number, "entries out of order across pages");
        if (haveBound_ && CompareEntries(bound_, e) >= 0) {
          return fail(number, "entry sorts before the upper-level entry of an earlier page");
        }
        if (check_.unique && havePrevLeafEntry_ && CompareKeys(prevLeafEntry_.key, e.key) == 0 && !isNullKey(e.key)) {
          return fail(number, "duplicate key in a unique index");
        }
        prevLeafEntry_ = e;
        havePrevLeafEntry_ = true;
      }
      report_.entryCount += page.entries.size();
      leaves_.emplace_back(number, page);
      if (page.entries.empty()) {
        if (!isRoot) return fail(number, "empty leaf page below the root");
        return Status(ErrorCode::kNotFound, "empty");
      }
      return page.entries.back();
    }

    // Node: stored entries + tail; one child = one entry and no tail.
    if (page.entries.empty()) return fail(number, "node page without entries");
    if (page.entries.size() == 1 && page.tailPage != 0) {
      // two children: one entry + tail, fine
    } else if (page.entries.size() > 1 && page.tailPage == 0) {
      return fail(number, "node page with several children has no child tail");
    }
    std::vector<uint32_t> children;
    IndexEntry last;
    for (const IndexEntry& e : page.entries) {
      JET_ASSIGN_OR_RETURN(IndexEntry childLast, visit(e.child, depth + 1, false));
      // The entry bounds its child from above. Access does not tighten it after deletes, so a
      // bound above the child's last entry is healthy as long as the next child's entries sort
      // after it (checked at the leaves through bound_); one below is damage.
      const int order = CompareEntries(childLast, e);
      if (order > 0 || (order == 0 && childLast.key != e.key)) {
        return fail(number, "entry for child " + std::to_string(e.child) + " sorts before that child's last entry");
      }
      if (order < 0) {
        if (report_.looseEntries++ == 0) report_.firstLoosePage = number;
      }
      bound_ = e;
      haveBound_ = true;
      children.push_back(e.child);
      last = childLast;
    }
    if (page.tailPage != 0) {
      JET_ASSIGN_OR_RETURN(IndexEntry tailLast, visit(page.tailPage, depth + 1, false));
      if (CompareEntries(tailLast, last) <= 0) return fail(number, "child tail does not sort after the entries");
      children.push_back(page.tailPage);
      last = tailLast;
    }
    JET_RETURN_IF_ERROR(checkNodeChildLinks(number, children));
    return last;
  }

  // Node pages are linked to their siblings within one parent only.
  Status checkNodeChildLinks(uint32_t parent, const std::vector<uint32_t>& children) {
    std::vector<uint8_t> bytes(layout_.pageSize);
    for (size_t i = 0; i < children.size(); ++i) {
      JET_RETURN_IF_ERROR(store_.readPage(children[i], bytes));
      if (bytes[0] != kIndexNodePageType) return Status::Ok();  // leaves are checked as one chain
      JET_ASSIGN_OR_RETURN(IndexPage p, DecodeIndexPage(bytes, layout_, children[i]));
      const uint32_t wantPrev = i == 0 ? 0 : children[i - 1];
      const uint32_t wantNext = i + 1 == children.size() ? 0 : children[i + 1];
      if (p.prevPage != wantPrev || p.nextPage != wantNext) {
        return fail(children[i], "node links do not match its siblings under page " + std::to_string(parent));
      }
    }
    return Status::Ok();
  }

  IndexPageStore& store_;
  const IndexPageLayout& layout_;
  const IndexTreeCheck& check_;
  IndexTreeReport report_;
  std::set<uint32_t> seen_;
  std::vector<std::pair<uint32_t, IndexPage>> leaves_;
  size_t leafDepth_ = 0;
  IndexEntry prevLeafEntry_;
  bool havePrevLeafEntry_ = false;
  IndexEntry bound_;  // the last upper-level entry whose subtree is behind us
  bool haveBound_ = false;
};

}  // namespace

Result<IndexTreeReport> ValidateIndexTree(IndexPageStore& store, const IndexPageLayout& layout,
                                          const IndexTreeCheck& check) {
  return Validator(store, layout, check).run();
}

}  // namespace jet::index
