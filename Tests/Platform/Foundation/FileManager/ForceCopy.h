#pragma once

#include <functional>

#include <QByteArray>

#include <cerrno>

#include "Foundation/FileManager.h"

// Makes every same-device rename report EXDEV, so moves take the path of a
// copy across devices; `more` may fail (or act at) the further steps.
inline void forceCopy(std::function<int(FileStep, const QByteArray&)> more = nullptr)
{
    FileManagerFaults faults;
    faults.fail = [more](FileStep step, const QByteArray& path) {
        if (step == FileStep::rename) {
            return EXDEV;
        }
        return more ? more(step, path) : 0;
    };
    FileManager::setFaults(faults);
}
