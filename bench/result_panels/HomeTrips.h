#pragma once

#include <QString>

// Screenshots of the home screen and of the trips from it to a scan and
// back, light and dark, written into `folder`, with the window's frame
// printed after every step: the empty and the list look, a duplicate scan's
// results, the home after Back (three trips of each scan), the no-result
// screen and the home after its "Complete".
void homeTripScreenshots(const QString& folder);
