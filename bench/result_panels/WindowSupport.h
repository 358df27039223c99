#pragma once

// What the benchmarks that drive the program's own window share: the
// window as the program opens it, its root and scan screen, waiting,
// screenshots and answering the shared sheet.

#include <memory>

#include <QSize>
#include <QString>

class MainMenu;
class MainViewController;
class ScanViewController;

// The program's window as it starts, at `size`, without the analytics link.
std::unique_ptr<MainMenu> openWindow(QSize size);
MainViewController* root(MainMenu& nib);
// The scan screen, while one is shown.
ScanViewController* screen(MainMenu& nib);

// Runs the queue for `ms` milliseconds.
void settle(int ms);
// Writes the window into folder/name.png (nothing when `folder` is empty).
void shoot(MainMenu& nib, const QString& folder, const QString& name);
// Clicks the shared sheet's visible button titled `title`, if a sheet shows.
void answerSheet(const QString& title);
