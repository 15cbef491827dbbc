// The program's window icon, built into the program (resources/desktop/tabloren.png).
#pragma once

#include <QIcon>

namespace ui {

QIcon ProgramIcon();

}  // namespace ui
