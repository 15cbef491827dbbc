#include "ado/Recordset.h"

#include "ado/Connection.h"
#include "ado/Error.h"

#include <algorithm>
#include <cctype>

namespace ado {

namespace {

[[noreturn]] void closedError() {
  throw Error(adErrObjectClosed, "Operation is not allowed when the object is closed.");
}

bool sameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

Recordset::Recordset() = default;

Recordset::~Recordset() { Close(); }

Recordset::Recordset(Recordset&& other) noexcept { *this = std::move(other); }

Recordset& Recordset::operator=(Recordset&& other) noexcept {
  if (this == &other) return *this;
  Close();
  cursor_ = std::move(other.cursor_);
  connection_ = other.connection_;
  eof_ = other.eof_;
  other.connection_ = nullptr;
  other.eof_ = true;
  if (connection_) {
    connection_->recordsets_.erase(&other);
    connection_->recordsets_.insert(this);
  }
  return *this;
}

void Recordset::Open(const std::string& source, Connection& activeConnection, int cursorType, int lockType) {
  if (cursor_) throw Error(adErrObjectOpen, "Operation is not allowed when the object is open.");
  attach(activeConnection.openSession().query(source, CursorOptions{cursorType, lockType}), &activeConnection);
}

void Recordset::attach(std::unique_ptr<Cursor> cursor, Connection* connection) {
  cursor_ = std::move(cursor);
  connection_ = connection;
  connection_->recordsets_.insert(this);
  try {
    eof_ = !cursor_->next();
  } catch (...) {
    Close();
    throw;
  }
}

void Recordset::detachFromConnection() { Close(); }

const Cursor& Recordset::openCursor() const {
  if (!cursor_) closedError();
  return *cursor_;
}

bool Recordset::Eof() const {
  openCursor();
  return eof_;
}

void Recordset::MoveNext() {
  openCursor();
  if (eof_) throw Error(adErrNoCurrentRecord, "Either BOF or EOF is True: there is no current record.");
  eof_ = !cursor_->next();
}

std::int64_t Recordset::RecordCount() const { return openCursor().recordCount(); }

void Recordset::Close() {
  cursor_.reset();
  if (connection_) connection_->recordsets_.erase(this);
  connection_ = nullptr;
  eof_ = true;
}

// Field and FieldCollection read through their record set.

int FieldCollection::Count() const {
  return static_cast<int>(recordset_->openCursor().columns().size());
}

Field FieldCollection::Item(int index) const {
  if (index < 0 || index >= Count())
    throw Error(adErrItemNotFound, "Item cannot be found in the collection: there is no field at position " +
                                       std::to_string(index) + ".");
  return Field(recordset_, static_cast<std::size_t>(index));
}

Field FieldCollection::Item(const std::string& name) const {
  const auto& columns = recordset_->openCursor().columns();
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (sameNameIgnoringCase(columns[i].name, name)) return Field(recordset_, i);
  throw Error(adErrItemNotFound, "Item cannot be found in the collection: there is no field named \"" + name + "\".");
}

const std::string& Field::Name() const { return recordset_->openCursor().columns().at(index_).name; }

int Field::Type() const { return recordset_->openCursor().columns().at(index_).type; }

Variant Field::Value() const {
  const Cursor& cursor = recordset_->openCursor();
  if (recordset_->eof_)
    throw Error(adErrNoCurrentRecord, "Either BOF or EOF is True: there is no current record.");
  return cursor.value(index_);
}

}  // namespace ado
