// Opening web pages, and the start-up step that now and then opens the home page.
#pragma once

#include "app/Dialogs.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace app {

// The web pages the program opens or names, all in one place: the project's own pages, and
// the free SQLite browser program that the SQLite help names.
inline constexpr char kHomePageAddress[] = "https://tabloren.github.io/";
inline constexpr char kAccessToSQLitePageAddress[] = "https://tabloren.github.io/access-to-sqlite/";
inline constexpr char kSQLiteToAccessPageAddress[] = "https://tabloren.github.io/sqlite-to-access/";
inline constexpr char kContactPageAddress[] = "https://tabloren.github.io/contact/";
inline constexpr char kSQLiteBrowserPageAddress[] = "https://sqlitebrowser.org/";

// Opens the address in the user's browser, through the dialogs that own the window; the
// dialogs say so in a box when no browser can be started.
void OpenWebPage(Dialogs& dialogs, const QString& address);

// Seconds since local midnight, the seed of the draw.
using SecondsSinceMidnight = std::function<std::uint32_t()>;
// A uniform fraction in [0, 1) from a generator seeded with the given seed.
using RandomFraction = std::function<double(std::uint32_t seed)>;

std::uint32_t LocalSecondsSinceMidnight();
double SeededRandomFraction(std::uint32_t seed);

// The whole number from 1 to 100 that a fraction in [0, 1) stands for.
int DrawOneToHundred(double fraction);

// Draws a number from 1 to 100 and opens the home page when it is 7: on average
// one start in a hundred. Returns whether the page was opened.
bool OpenHomePageAtRandom(Dialogs& dialogs, const SecondsSinceMidnight& clock = LocalSecondsSinceMidnight,
                          const RandomFraction& draw = SeededRandomFraction);

}  // namespace app
