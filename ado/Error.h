// A failure of the data-access layer: an error number as ADO reports it and a description
// that says what went wrong and where (which file, which statement), so a user can act on it.
#pragma once

#include <stdexcept>
#include <string>

namespace ado {

// Error numbers the layer raises. They are ADO's own numbers, so callers that test for
// one (the start-up check tests for 3706) behave as they would with Microsoft's ADO.
enum ErrorNumber : long {
  adErrInvalidArgument = 3001,      // an argument is out of range or of the wrong kind
  adErrNoCurrentRecord = 3021,      // EOF: there is no current row
  adErrItemNotFound = 3265,         // no field of that name or position
  adErrFeatureNotAvailable = 3251,  // the provider cannot do what was asked
  adErrObjectClosed = 3704,         // operation not allowed when the object is closed
  adErrObjectOpen = 3705,           // operation not allowed when the object is open
  adErrProviderNotFound = 3706,     // no provider for this connection string
  adErrProviderFailed = -2147467259 // 0x80004005: the provider reported a failure (message in the description)
};

// The numbers OLE storage gives for a file that cannot be written: the disk or the file
// size limit is full (STG_E_MEDIUMFULL), or the system refused a read or write
// (STG_E_WRITEFAULT). The statement that met one is undone; the transaction it ran in
// cannot be trusted to reach the file, and its caller should give it up.
inline constexpr long kErrStorageFull = -2147286928;    // 0x80030070
inline constexpr long kErrStorageFailed = -2147287011;  // 0x8003001D

inline bool IsStorageFailure(long number) { return number == kErrStorageFull || number == kErrStorageFailed; }

class Error : public std::runtime_error {
 public:
  Error(long number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  // With what went wrong apart from where: `reason` says it, and which file, without the
  // statement's text or any value of the row (which may be private); `column` names the
  // column it concerns (empty when none or not known). The description is what the error
  // box shows.
  Error(long number, const std::string& description, std::string reason, std::string column = {})
      : std::runtime_error(description), number_(number), reason_(std::move(reason)), column_(std::move(column)) {}

  long number() const noexcept { return number_; }
  std::string description() const { return what(); }
  // The reason without the statement's text; the description when the provider gave none.
  std::string reason() const { return reason_.empty() ? std::string(what()) : reason_; }
  const std::string& column() const { return column_; }

 private:
  long number_;
  std::string reason_;
  std::string column_;
};

}  // namespace ado
