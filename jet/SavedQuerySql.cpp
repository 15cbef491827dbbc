// Access SQL of a select or union query taken apart into the MSysQueries rows Access keeps
// for it (jet/format/QueryLayout.h). Expressions are not read, only delimited: a clause ends
// at a keyword outside parentheses, brackets, quotes and #dates#.
#include "jet/SavedQueries.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "jet/Catalog.h"
#include "jet/format/QueryLayout.h"

namespace jet {

namespace {

using query::Attribute;

// Deeper parentheses than any real query has are refused before the FROM reading recurses into them.
constexpr int kMaxDepth = 200;

struct Word {
  size_t begin = 0, end = 0;  // in the text
  std::string lower;          // a bare word in lower case; "(" ")" "," "." "*" for those; empty otherwise
  int depth = 0;              // parentheses around it
};

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

std::string Unbracketed(const std::string& name) {
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') return name.substr(1, name.size() - 2);
  if (name.size() >= 2 && name.front() == '`' && name.back() == '`') return name.substr(1, name.size() - 2);
  return name;
}

class Splitter {
 public:
  Splitter(std::string text, std::string queryName) : text_(std::move(text)), name_(std::move(queryName)) {}

  Status split() {
    int depth = 0;
    size_t i = 0;
    while (i < text_.size()) {
      const unsigned char c = text_[i];
      if (std::isspace(c)) {
        ++i;
        continue;
      }
      Word w;
      w.begin = i;
      if (c == '[' || c == '"' || c == '\'' || c == '#' || c == '`') {
        const char close = c == '[' ? ']' : static_cast<char>(c);
        size_t j = i + 1;
        while (true) {
          j = text_.find(close, j);
          if (j == std::string::npos) return refuse(std::string("a ") + static_cast<char>(c) + " is not closed");
          if ((close == '"' || close == '\'') && j + 1 < text_.size() && text_[j + 1] == close) {
            j += 2;
            continue;
          }
          break;
        }
        i = j + 1;
      } else if (std::isalnum(c) || c == '_' || c >= 0x80) {
        while (i < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[i])) || text_[i] == '_' ||
                                    static_cast<unsigned char>(text_[i]) >= 0x80 || text_[i] == '$'))
          ++i;
        for (size_t k = w.begin; k < i; ++k) w.lower += static_cast<char>(std::tolower(static_cast<unsigned char>(text_[k])));
      } else {
        ++i;
        if (c == '(' || c == ')' || c == ',' || c == '.' || c == '*' || c == ';') w.lower = std::string(1, static_cast<char>(c));
      }
      if (w.lower == ")") --depth;
      w.depth = depth;
      if (w.lower == "(") ++depth;
      if (depth < 0) return refuse("a ')' has no '('");
      if (depth > kMaxDepth) return refuse("it is nested more than " + std::to_string(kMaxDepth) + " levels deep");
      w.end = i;
      words_.push_back(std::move(w));
    }
    if (depth != 0) return refuse("a '(' is not closed");
    while (!words_.empty() && words_.back().lower == ";") words_.pop_back();
    return Status::Ok();
  }

  Result<SavedQuery> build() {
    JET_RETURN_IF_ERROR(split());
    SavedQuery q;
    q.name = name_;
    if (words_.empty() || (words_[0].lower != "select" && words_[0].lower != "(")) {
      if (!words_.empty() && words_[0].lower == "parameters") return refuse("queries with parameters are not written");
      return refuse("only SELECT and UNION queries are written");
    }
    // The last UNION outside parentheses splits a union query in its two stored parts.
    size_t lastUnion = words_.size();
    for (size_t k = 0; k < words_.size(); ++k)
      if (words_[k].depth == 0 && words_[k].lower == "union") lastUnion = k;
    std::vector<QueryRow> rows;
    rows.push_back(row(Attribute::kStart));
    if (lastUnion == words_.size()) {
      q.kind = QueryKind::kSelect;
      rows.push_back(typeRow(query::QueryType::kSelect));
      JET_RETURN_IF_ERROR(select(0, words_.size(), rows));
    } else {
      q.kind = QueryKind::kUnion;
      rows.push_back(typeRow(query::QueryType::kUnion));
      const bool all = lastUnion + 1 < words_.size() && words_[lastUnion + 1].lower == "all";
      const size_t second = lastUnion + (all ? 2 : 1);
      // An ORDER BY after the last part orders the whole union.
      size_t order = words_.size();
      for (size_t k = second; k + 1 < words_.size(); ++k)
        if (words_[k].depth == 0 && words_[k].lower == "order" && words_[k + 1].lower == "by") order = k;
      if (second >= order || lastUnion == 0) return refuse("a part of the union is empty");
      QueryRow flags = row(Attribute::kFlags);
      flags.flag = all ? 0 : query::kFlagDistinct;
      rows.push_back(flags);
      QueryRow first = row(Attribute::kInput), next = row(Attribute::kInput);
      first.expression = text(0, lastUnion);
      first.name2 = query::kUnionPart1;
      next.expression = text(second, order);
      next.name2 = query::kUnionPart2;
      rows.push_back(first);
      rows.push_back(next);
      if (order < words_.size()) JET_RETURN_IF_ERROR(orderBy(order + 2, words_.size(), rows));
    }
    rows.push_back(row(Attribute::kEnd));
    std::stable_sort(rows.begin(), rows.end(), [](const QueryRow& a, const QueryRow& b) { return a.attribute < b.attribute; });
    q.rows = std::move(rows);
    return q;
  }

 private:
  Status refuse(const std::string& why) const { return Status::InvalidArgument(Where::Place("query " + name_), why); }
  static QueryRow row(Attribute a) {
    QueryRow r;
    r.attribute = static_cast<uint8_t>(a);
    return r;
  }
  static QueryRow typeRow(query::QueryType type) {
    QueryRow r = row(Attribute::kType);
    r.flag = static_cast<int16_t>(type);
    return r;
  }
  std::string text(size_t from, size_t to) const {
    if (from >= to) return {};
    return Trim(std::string_view(text_).substr(words_[from].begin, words_[to - 1].end - words_[from].begin));
  }
  bool is(size_t k, const char* word) const { return k < words_.size() && words_[k].lower == word; }

  // Positions of the top-level commas in [from, to), as list-item boundaries.
  std::vector<std::pair<size_t, size_t>> items(size_t from, size_t to) const {
    std::vector<std::pair<size_t, size_t>> out;
    const int depth = from < words_.size() ? words_[from].depth : 0;
    size_t start = from;
    for (size_t k = from; k < to; ++k) {
      if (words_[k].lower == "," && words_[k].depth == depth) {
        out.push_back({start, k});
        start = k + 1;
      }
    }
    if (start < to) out.push_back({start, to});
    return out;
  }

  // The start of the next clause keyword at `depth`, from `from`, or `to`.
  size_t clauseEnd(size_t from, size_t to, int depth) const {
    for (size_t k = from; k < to; ++k) {
      if (words_[k].depth != depth) continue;
      const std::string& w = words_[k].lower;
      if (w == "from" || w == "where" || w == "having" || w == "union" || w == "into") return k;
      if ((w == "group" || w == "order") && is(k + 1, "by")) return k;
      if (w == "with" && is(k + 1, "owneraccess")) return k;
    }
    return to;
  }

  Status select(size_t from, size_t to, std::vector<QueryRow>& rows) {
    if (!is(from, "select")) return refuse("expected SELECT at the start of the query");
    const int depth = words_[from].depth;
    size_t k = from + 1;
    QueryRow flags = row(Attribute::kFlags);
    if (is(k, "distinct")) flags.flag |= query::kFlagDistinct, ++k;
    else if (is(k, "distinctrow")) flags.flag |= query::kFlagDistinctRow, ++k;
    else if (is(k, "all")) ++k;
    if (is(k, "top")) {
      if (k + 1 >= to) return refuse("TOP has no number");
      flags.flag |= query::kFlagTop;
      flags.name1 = text(k + 1, k + 2);
      k += 2;
      if (is(k, "percent")) flags.flag |= query::kFlagPercent, ++k;
    }
    const size_t listEnd = clauseEnd(k, to, depth);
    for (auto [b, e] : items(k, listEnd)) {
      if (e == b + 1 && words_[b].lower == "*") {
        flags.flag |= query::kFlagAllColumns;
        continue;
      }
      QueryRow column = row(Attribute::kColumn);
      size_t exprEnd = e;
      if (e >= b + 3 && words_[e - 2].lower == "as" && words_[e - 2].depth == depth) {
        column.name1 = Unbracketed(text(e - 1, e));
        exprEnd = e - 2;
      }
      column.expression = text(b, exprEnd);
      rows.push_back(column);
    }
    k = listEnd;
    if (is(k, "into")) return refuse("SELECT ... INTO makes a table; only select queries are written");
    if (is(k, "from")) {
      const size_t end = clauseEnd(k + 1, to, depth);
      JET_RETURN_IF_ERROR(sources(k + 1, end, rows));
      k = end;
    }
    if (is(k, "where")) k = condition(k + 1, to, depth, Attribute::kWhere, rows);
    if (is(k, "group")) {
      const size_t end = clauseEnd(k + 2, to, depth);
      for (auto [b, e] : items(k + 2, end)) {
        QueryRow group = row(Attribute::kGroupBy);
        group.expression = text(b, e);
        rows.push_back(group);
      }
      k = end;
    }
    if (is(k, "having")) k = condition(k + 1, to, depth, Attribute::kHaving, rows);
    if (is(k, "order")) {
      const size_t end = clauseEnd(k + 2, to, depth);
      JET_RETURN_IF_ERROR(orderBy(k + 2, end, rows));
      k = end;
    }
    if (is(k, "with")) {
      if (!is(k + 1, "owneraccess") || !is(k + 2, "option")) return refuse("expected WITH OWNERACCESS OPTION");
      flags.flag |= query::kFlagOwnerAccess;
      k += 3;
    }
    if (k < to) return refuse("unexpected '" + text(k, k + 1) + "'");
    rows.push_back(flags);
    return Status::Ok();
  }

  // A WHERE or HAVING clause from `from` as one row; where the clause ends.
  size_t condition(size_t from, size_t to, int depth, Attribute a, std::vector<QueryRow>& rows) const {
    const size_t end = clauseEnd(from, to, depth);
    QueryRow r = row(a);
    r.expression = text(from, end);
    rows.push_back(r);
    return end;
  }

  Status orderBy(size_t from, size_t to, std::vector<QueryRow>& rows) {
    for (auto [b, e] : items(from, to)) {
      QueryRow order = row(Attribute::kOrderBy);
      size_t exprEnd = e;
      if (e > b + 1 && (words_[e - 1].lower == "desc" || words_[e - 1].lower == "asc")) {
        if (words_[e - 1].lower == "desc") order.name1 = query::kDescending;
        exprEnd = e - 1;
      }
      order.expression = text(b, exprEnd);
      rows.push_back(order);
    }
    return Status::Ok();
  }

  // --- FROM: inputs and joins ---

  struct Node {
    std::vector<std::string> names;  // aliases (or table names) inside
    bool join = false;
  };

  Status sources(size_t from, size_t to, std::vector<QueryRow>& rows) {
    std::vector<QueryRow> joins;
    for (auto [b, e] : items(from, to)) {
      size_t k = b;
      Node node;
      JET_RETURN_IF_ERROR(source(k, e, rows, joins, node));
      if (k != e) return refuse("unexpected '" + text(k, k + 1) + "' in FROM");
    }
    rows.insert(rows.end(), joins.begin(), joins.end());
    return Status::Ok();
  }

  // INNER, LEFT, RIGHT or JOIN at k, not the functions Left( and Right(.
  bool joinAt(size_t k) const {
    const std::string& w = words_[k].lower;
    if (w == "left" || w == "right") return !is(k + 1, "(");
    return w == "inner" || w == "join";
  }

  Status source(size_t& k, size_t to, std::vector<QueryRow>& rows, std::vector<QueryRow>& joins, Node& out) {
    JET_RETURN_IF_ERROR(primary(k, to, rows, joins, out));
    const int depth = k < words_.size() ? words_[k].depth : 0;
    while (k < to && joinAt(k)) {
      int16_t kind = static_cast<int16_t>(query::JoinKind::kInner);
      if (words_[k].lower == "left") kind = static_cast<int16_t>(query::JoinKind::kLeft);
      if (words_[k].lower == "right") kind = static_cast<int16_t>(query::JoinKind::kRight);
      if (words_[k].lower != "join") ++k;
      if (is(k, "outer")) ++k;
      if (!is(k, "join")) return refuse("expected JOIN");
      ++k;
      Node right;
      JET_RETURN_IF_ERROR(primary(k, to, rows, joins, right));
      if (!is(k, "on")) return refuse("a JOIN has no ON");
      const size_t condition = ++k;
      while (k < to && !(words_[k].depth == depth && (joinAt(k) || words_[k].lower == ","))) {
        if (words_[k].depth < depth) break;  // the ')' that closes this join
        ++k;
      }
      QueryRow join = row(Attribute::kJoin);
      join.flag = kind;
      join.expression = text(condition, k);
      join.name1 = sideOf(out, *join.expression);
      join.name2 = sideOf(right, *join.expression);
      joins.push_back(join);
      out.names.insert(out.names.end(), right.names.begin(), right.names.end());
      out.join = true;
    }
    return Status::Ok();
  }

  // The name of a side of a join that the condition uses (Access names the two tables the
  // condition compares), else the side's last table.
  std::string sideOf(const Node& side, const std::string& condition) const {
    std::string lower;
    for (char c : condition) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t best = std::string::npos;
    std::string found;
    for (const std::string& name : side.names) {
      std::string n;
      for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      for (const std::string& form : {n + ".", "[" + n + "]."}) {
        const size_t at = lower.find(form);
        if (at != std::string::npos && (at == 0 || !std::isalnum(static_cast<unsigned char>(lower[at - 1]))) &&
            at < best) {
          best = at;
          found = name;
        }
      }
    }
    return found.empty() ? side.names.back() : found;
  }

  Status primary(size_t& k, size_t to, std::vector<QueryRow>& rows, std::vector<QueryRow>& joins, Node& out) {
    if (k >= to) return refuse("a table is missing in FROM");
    if (words_[k].lower == "(") {
      const int depth = words_[k].depth;
      size_t close = k + 1;
      while (close < to && !(words_[close].lower == ")" && words_[close].depth == depth)) ++close;
      if (close >= to) return refuse("a '(' in FROM is not closed");
      if (is(k + 1, "select")) {
        QueryRow input = row(Attribute::kInput);
        input.expression = text(k + 1, close);
        k = close + 1;
        if (is(k, "as")) ++k;
        if (k >= to) return refuse("a subquery in FROM has no name");
        input.name2 = Unbracketed(text(k, k + 1));
        ++k;
        out.names.push_back(*input.name2);
        rows.push_back(input);
        return Status::Ok();
      }
      size_t inner = k + 1;
      JET_RETURN_IF_ERROR(source(inner, close, rows, joins, out));
      if (inner != close) return refuse("unexpected '" + text(inner, inner + 1) + "' in FROM");
      k = close + 1;
      return Status::Ok();
    }
    QueryRow input = row(Attribute::kInput);
    input.name1 = Unbracketed(text(k, k + 1));
    ++k;
    if (is(k, ".")) return refuse("tables of other databases are not written");
    if (is(k, "as")) ++k;
    if (k < to && !words_[k].lower.empty() && !joinAt(k) && words_[k].lower != "on" &&
        words_[k].lower != "," && words_[k].lower != ")") {
      input.name2 = Unbracketed(text(k, k + 1));
      ++k;
    } else if (k < to && words_[k].lower.empty()) {
      input.name2 = Unbracketed(text(k, k + 1));  // a [bracketed] alias
      ++k;
    }
    out.names.push_back(input.name2 ? *input.name2 : *input.name1);
    rows.push_back(input);
    return Status::Ok();
  }

  std::string text_;
  std::string name_;
  std::vector<Word> words_;
};

}  // namespace

Result<SavedQuery> SavedQueryFromSql(const std::string& name, const std::string& accessSql) {
  return Splitter(accessSql, name).build();
}

}  // namespace jet
