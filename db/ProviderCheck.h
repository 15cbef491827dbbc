// The start-up check that the data-access components are there.
#pragma once

#include "ado/Connection.h"
#include "app/Dialogs.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace db {

// The Microsoft download pages of the Access Database Engine 2010 and 2016, opened in this order.
inline constexpr char kAccessEngine2010Page[] = "https://www.microsoft.com/en-us/download/details.aspx?id=13255";
inline constexpr char kAccessEngine2016Page[] = "https://www.microsoft.com/en-us/download/details.aspx?id=54920";

// The paragraphs of the provider-missing message, and the whole message: the paragraphs
// joined by an empty line (CR LF CR LF).
QStringList ProviderMissingParagraphs();
QString ProviderMissingMessage();

// Creates a connection object; the check fails when this throws.
using ConnectionCreator = std::function<std::unique_ptr<ado::Connection>()>;

// True when a connection object can be created. When creation fails with error 3706 (or a
// description containing "provider cannot be found", in any case), asks the provider-missing
// question (Yes/No, no icon, the application title) and on Yes opens the two download pages.
// Any other failure gives false without a message.
bool CheckDataProvider(app::Dialogs& dialogs,
                       const ConnectionCreator& create = [] { return std::make_unique<ado::Connection>(); });

}  // namespace db
