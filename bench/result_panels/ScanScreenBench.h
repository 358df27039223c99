#pragma once

#include <QString>

// Screenshots of the scan screen's states in the program's own window, light
// and dark, written into `folder`.
void scanScreenScreenshots(const QString& folder);

// The scan screen's main-thread stalls: `runs` real scans of `tree` from
// their start to results that can be selected (against the engine alone),
// and the selection commands over `groupCount` synthetic groups.
void scanScreenBenchmark(const QString& tree, int groupCount, int runs);
