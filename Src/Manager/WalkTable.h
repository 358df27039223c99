#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>

#include <sys/types.h>

#include "Model/ResourceValueURL.h"

struct MountEntry;

// The files one duplicate scan walked, kept small: one table of folder
// paths, one arena of name bytes and a 48-byte record per file. A path and a
// full record are built only for the files that end in a group, so a walk
// over millions of paths holds no per-file objects.
class WalkTable {
public:
    struct File {
        int64_t size = 0;  // what the walk grouped by (a bundle: its contents)
        uint64_t inode = 0;
        int64_t modificationTimeNs = 0;
        int64_t statusChangeTimeNs = 0;
        uint32_t folder = 0;  // index into the folder table
        uint32_t name = 0;    // offset into the name arena
        uint16_t origin = 0;  // device and volume, index into the origin table
        uint8_t nameLength = 0;
        uint8_t flags = 0;
    };
    enum Flag : uint8_t { regular = 1, application = 2, symbolicLink = 4, hidden = 8, directory = 16 };

    // One size and where its files lie in files() once the walk is sorted.
    struct SizeEntry {
        int64_t size;
        uint32_t begin;
        uint32_t count;
    };

    WalkTable();
    ~WalkTable();
    WalkTable(const WalkTable&) = delete;
    WalkTable& operator=(const WalkTable&) = delete;

    // --- filled by the walk, one thread --------------------------------------
    // A folder's index; consecutive files of one folder share it.
    uint32_t addFolder(const QByteArray& path);
    void add(uint32_t folder, const char* name, size_t nameLength, int64_t size, const struct stat& st,
             const MountEntry* volume, uint8_t flags);
    size_t walkedCount() const { return walkedCount_; }

    // Ends the walk: sorts the files by size (walk order within a size) and,
    // unless `keepSingles`, keeps only the files that share their size with
    // another. The table is read-only afterwards and may be shared.
    void finish(bool keepSingles);
    // Every distinct size the walk saw, ascending, with its count; a size of
    // one file has no entry in files() unless singles were kept.
    const std::vector<SizeEntry>& sizes() const { return sizes_; }
    const std::vector<File>& files() const { return files_; }

    // --- read by the grouping ------------------------------------------------
    QByteArray path(const File& file) const;
    QByteArray name(const File& file) const;
    // The file's name, ended by a zero byte, into `out` (256 bytes).
    void nameInto(const File& file, char* out) const;
    // A descriptor of the file's folder (opened on first use, kept until the
    // table goes), so that its files are opened by name alone instead of
    // walking their whole path again; -1 where the folder cannot be opened
    // or the table keeps as many folders open as it may.
    int folderDescriptor(const File& file) const;
    dev_t device(const File& file) const;
    const std::optional<QByteArray>& volume(const File& file) const;
    // The record the walk would have made for the file: the values it read,
    // with the writable question asked now.
    ResourceValueURL resourceValueURL(const File& file) const;

    // Bytes held now (for the benchmark's accounting).
    size_t bytesHeld() const;

private:
    const char* nameBytes(const File& file) const;

    struct Origin {
        dev_t device;
        const MountEntry* entry;
        std::optional<QByteArray> volume;
        bool volumeIsLocal;
    };

    std::vector<QByteArray> folders_;
    // Per folder: a descriptor, -1 when it could not be had, -2 not asked yet.
    mutable std::unique_ptr<std::atomic<int>[]> folderFds_;
    mutable std::atomic<int> folderFdsOpen_{0};
    int folderFdBudget_ = 0;
    std::vector<std::unique_ptr<char[]>> nameChunks_;
    uint32_t chunkUsed_;
    std::vector<Origin> origins_;
    // The walk's records, in chunks mapped from the system on their own, so
    // that they go back to it as soon as the walk ends: the threads that
    // hash, each with a heap of its own, could not use them otherwise.
    struct Chunk {
        File* files = nullptr;
        size_t used = 0;
        Chunk() = default;
        Chunk(Chunk&& other) noexcept : files(other.files), used(other.used) { other.files = nullptr; }
        Chunk& operator=(Chunk&&) = delete;
        ~Chunk();
    };
    std::vector<Chunk> walked_;
    size_t walkedCount_ = 0;
    std::vector<File> files_;
    std::vector<SizeEntry> sizes_;
};
