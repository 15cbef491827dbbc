// How the translators between Access SQL and SQLite SQL give up: text with no form in the
// other dialect throws its reason, which each translator catches at its entry points.
#pragma once

#include <string>

namespace transfer {

struct Untranslatable {
  std::string reason;
};

[[noreturn]] inline void Refuse(std::string reason) { throw Untranslatable{std::move(reason)}; }

}  // namespace transfer
