// One field of a record set's current row, and the record set's field collection.
#pragma once

#include "ado/Variant.h"

#include <string>

namespace ado {

class Recordset;

// A light handle: valid while its record set is open. Value() reads the current row.
class Field {
 public:
  const std::string& Name() const;
  int Type() const;  // DataTypeEnum
  // The field's value in the current row; ado::Error 3021 at EOF, 3704 when the record set is closed.
  Variant Value() const;

 private:
  friend class FieldCollection;
  Field(const Recordset* recordset, std::size_t index) : recordset_(recordset), index_(index) {}
  const Recordset* recordset_;
  std::size_t index_;
};

class FieldCollection {
 public:
  int Count() const;
  // By zero-based position; ado::Error 3265 when out of range.
  Field Item(int index) const;
  // By name, without regard to case (as ADO looks names up); ado::Error 3265 when no field has it.
  Field Item(const std::string& name) const;
  Field operator[](int index) const { return Item(index); }
  Field operator[](const std::string& name) const { return Item(name); }
  Field operator[](const char* name) const { return Item(std::string(name)); }

 private:
  friend class Recordset;
  explicit FieldCollection(const Recordset* recordset) : recordset_(recordset) {}
  const Recordset* recordset_;
};

}  // namespace ado
