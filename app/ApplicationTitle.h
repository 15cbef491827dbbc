// The product title and the application title derived from it. The application
// title is the title of every message box shown without a title of its own.
#pragma once

#include <QString>

namespace app {

// Caption of both windows and the settings section name.
inline constexpr char kProductTitle[] = "Tabloren";
inline constexpr int kMaxApplicationTitleLength = 40;

// While the title is longer than 40 characters, cut it back to the part before its
// last space. A long title without any space is cut to 40 characters.
QString ShortenApplicationTitle(QString title);

// Sets the application title from the product title.
void SetApplicationTitle();
// Sets the application title from another title (for a product title that changes).
void SetApplicationTitle(const QString& title);

// The application title in force; the product title until one is set.
QString ApplicationTitle();

}  // namespace app
