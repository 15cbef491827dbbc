// Opening web pages, and the start-up step that now and then opens the home page.
#pragma once

#include "app/Dialogs.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace app {

inline constexpr char kHomePageAddress[] = "https://www.example.com/";

// Opens the address in the user's browser, through the dialogs that own the window.
// The result is not checked.
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
