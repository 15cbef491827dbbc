// ADO's command, reduced to what the copies need: a statement with ? parameter markers,
// prepared once on an open connection and executed with each row's values bound to them.
//
//   ado::Command insert(connection, "INSERT INTO `t` VALUES(?, ?)");
//   insert.Execute({ado::Variant::text("a"), ado::Variant::null()});
//
// The provider prepares it at the first Execute; a statement it cannot prepare fails at every
// Execute with the error running its text would give. Closing the connection releases the
// prepared statement; a later Execute fails as on a closed connection.
#pragma once

#include "ado/Provider.h"
#include "ado/Variant.h"

#include <memory>
#include <string>
#include <vector>

namespace ado {

class Connection;

class Command {
 public:
  Command(Connection& activeConnection, std::string commandText);
  ~Command();
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  const std::string& CommandText() const { return text_; }
  void Execute(const std::vector<Variant>& parameters);
  // The command text with the values written in place of the markers, in the target's
  // dialect; a marker without a value is left out. For messages, and for running a row
  // whose values are incomplete as the text it would have been.
  std::string TextWithValues(const std::vector<Variant>& parameters);

 private:
  friend class Connection;
  PreparedCommand& prepared();
  void closeConnection() { prepared_.reset(); }

  Connection* connection_;
  std::string text_;
  std::unique_ptr<PreparedCommand> prepared_;
};

}  // namespace ado
