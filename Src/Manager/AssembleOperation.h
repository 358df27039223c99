#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "Foundation/OperationQueue.h"
#include "Model/DuplicateFiles.h"
#include "Model/ResourceValueURL.h"

// The MD5 digest of a regular file's whole content as 32 lower-case hex
// digits; "0" for size 0 (never opened). Nothing when the item is not the
// regular file the walk saw, cannot be opened, or its reading ended before
// `size` bytes (or went past them): such a file has no digest.
std::optional<QString> md5File(const QByteArray& path, int64_t size);
// The same for an application bundle: the digest of its sorted relative
// paths and of every item's content; nothing unless every file inside was read.
std::optional<QString> md5Bundle(const QByteArray& path);

// Tests make reads fail: the hook sees each path before it is opened and
// returns true to fail its reading. Nothing set means no failures.
void setMd5ReadFailureForTesting(std::function<bool(const QByteArray& path)> hook);

// Groups the files of one size by content digest. Each set of two or more
// equal digests is handed to assembleBlock as one group sorted by path.
class AssembleOperation : public Operation {
public:
    AssembleOperation(std::vector<ResourceValueURL> data, int64_t size);

    std::function<void(const DuplicateFilesPtr&)> assembleBlock;
    std::function<void(const QString& path)> assemblingBlock;
    // Polled before each file; the engine's stop flag.
    std::function<bool()> shouldStop;

protected:
    void main() override;

private:
    std::vector<ResourceValueURL> data_;
    int64_t size_;
};
