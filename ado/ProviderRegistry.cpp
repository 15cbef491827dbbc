#include "ado/Error.h"
#include "ado/Provider.h"
#include "ado/sqlite/SQLiteProvider.h"

#include <map>

namespace ado {

namespace {

std::map<ProviderKind, std::shared_ptr<Provider>>& registry() {
  static std::map<ProviderKind, std::shared_ptr<Provider>> providers{
      {ProviderKind::SQLite, std::make_shared<sqlite::SQLiteProvider>()}};
  return providers;
}

}  // namespace

void RegisterProvider(ProviderKind kind, std::shared_ptr<Provider> provider) {
  if (provider)
    registry()[kind] = std::move(provider);
  else
    registry().erase(kind);
}

std::unique_ptr<Session> OpenSession(const std::string& connectionString, const ConnectionProperties& properties) {
  const ConnectionTarget target = ParseConnectionString(connectionString);
  const auto found = registry().find(target.kind);
  if (found == registry().end())
    throw Error(adErrProviderNotFound, "Provider cannot be found. It may not be properly installed.");
  return found->second->open(target, properties);
}

}  // namespace ado
