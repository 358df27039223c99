#pragma once

#include <QString>

// Writes the screenshots of the kit's sheets and menus into `folder`; a
// QApplication must exist. Returns the program's exit status.
int kitScreenshots(const QString& folder);
