#include "ado/Command.h"

#include "ado/Connection.h"
#include "ado/Error.h"

namespace ado {

Command::Command(Connection& activeConnection, std::string commandText)
    : connection_(&activeConnection), text_(std::move(commandText)) {
  connection_->commands_.insert(this);
}

Command::~Command() {
  prepared_.reset();
  if (connection_) connection_->commands_.erase(this);
}

PreparedCommand& Command::prepared() {
  if (!connection_) throw Error(adErrObjectClosed, "Operation is not allowed when the object is closed.");
  Session& session = connection_->openSession();  // raises the closed connection's error
  if (!prepared_) prepared_ = session.prepare(text_);
  return *prepared_;
}

void Command::Execute(const std::vector<Variant>& parameters) { prepared().execute(parameters); }

std::string Command::TextWithValues(const std::vector<Variant>& parameters) {
  return prepared().text(parameters);
}

}  // namespace ado
