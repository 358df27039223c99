#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include <QList>

#include "Model/FileInfo.h"

// A check box's state as the result screens keep it on a group.
enum class ControlState : int { mixed = -1, off = 0, on = 1 };

// One group of files: equal content, or one large-file band.
class DuplicateFiles {
public:
    DuplicateFiles() = default;
    virtual ~DuplicateFiles() = default;
    DuplicateFiles(const DuplicateFiles&) = delete;
    DuplicateFiles& operator=(const DuplicateFiles&) = delete;

    virtual const QList<FileInfoPtr>& infos() const { return infos_; }
    virtual void setInfos(QList<FileInfoPtr> infos) { infos_ = std::move(infos); }
    virtual int fileCount() const { return static_cast<int>(infos_.size()); }
    virtual uint64_t totalSize() const { return totalSize_; }
    virtual void setTotalSize(uint64_t size) { totalSize_ = size; }
    virtual uint64_t selectedSize() const;
    virtual int selectedCount() const;
    virtual uint64_t uiSelectedSize() const { return uiSelectedSize_; }
    virtual void setUiSelectedSize(uint64_t size) { uiSelectedSize_ = size; }
    // The kind of the first file; ask only groups that hold a file.
    virtual FileType fileType() const;
    // Read by a removal run off the main thread while the screens may set it.
    virtual ControlState selectState() const { return selectState_.load(); }
    virtual void setSelectState(ControlState state) { selectState_.store(state); }
    virtual int errorCount() const;

private:
    QList<FileInfoPtr> infos_;
    uint64_t totalSize_ = 0;
    uint64_t uiSelectedSize_ = 0;
    std::atomic<ControlState> selectState_{ControlState::off};
};

using DuplicateFilesPtr = std::shared_ptr<DuplicateFiles>;
