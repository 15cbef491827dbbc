#include "db/ProviderCheck.h"

#include "ado/Error.h"
#include "app/ErrorPolicy.h"
#include "app/WebPages.h"

namespace db {

QStringList ProviderMissingParagraphs() {
  return {
      QStringLiteral("Error #3706: Provider cannot be found. It may not be properly installed."),
      QStringLiteral("You are getting this error because:"),
      QStringLiteral("1. Microsoft Access is not installed on your computer."),
      QStringLiteral("2. A set of Microsoft components to transfer data is not installed on your computer."),
      QStringLiteral("You need to download and install Microsoft Access Database Engine 2010 or 2016 to solve this "
                     "problem."),
      QStringLiteral("Would you like me to open the Microsoft site now so you can do this?"),
      QStringLiteral("(If you have any further questions please email a screenshot of this error message to ") +
          QLatin1String(app::kSupportAddress) + QStringLiteral(")"),
  };
}

QString ProviderMissingMessage() { return ProviderMissingParagraphs().join(QStringLiteral("\r\n\r\n")); }

bool CheckDataProvider(app::Dialogs& dialogs, const ConnectionCreator& create) {
  long number = 0;
  QString description;
  try {
    std::unique_ptr<ado::Connection> connection = create();
    return true;  // released (closed) here
  } catch (const ado::Error& e) {
    number = e.number();
    description = QString::fromStdString(e.description());
  } catch (const std::exception& e) {
    description = QString::fromUtf8(e.what());
  }
  const bool providerMissing = number == ado::adErrProviderNotFound ||
                               description.contains(QLatin1String("provider cannot be found"), Qt::CaseInsensitive);
  if (!providerMissing) return false;
  const app::MessageAnswer answer =
      dialogs.message(ProviderMissingMessage(), QString(), app::MessageButtons::YesNo, app::MessageIcon::None);
  if (answer == app::MessageAnswer::Yes) {
    app::OpenWebPage(dialogs, QLatin1String(kAccessEngine2010Page));
    app::OpenWebPage(dialogs, QLatin1String(kAccessEngine2016Page));
  }
  return false;
}

}  // namespace db
