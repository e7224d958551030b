#include "pack/cabinet_writer.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "cab/block_checksum.h"

namespace tamrix::pack {

namespace {

void put16(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

void put32(uint8_t* p, uint32_t value) {
    put16(p, value);
    put16(p + 2, value >> 16);
}

std::string shown(const CabinetEntry& entry) {
    return entry.sourcePath.empty() ? entry.name : entry.sourcePath;
}

// Set identifier: any value will do for a single cabinet, but it must not vary between runs.
uint16_t setIdOf(const std::vector<CabinetEntry>& entries) {
    uLong crc = crc32(0, nullptr, 0);
    for (const CabinetEntry& entry : entries) {
        crc =
            crc32(crc, reinterpret_cast<const Bytef*>(entry.name.data()), uInt(entry.name.size()));
    }
    return uint16_t(crc);
}

// Reads the files of one folder back to back and hands out its stream in frames.
class FolderStream {
  public:
    FolderStream(const std::vector<CabinetEntry>& entries, size_t first, size_t count)
        : entries_(entries), next_(first), end_(first + count) {}
    ~FolderStream() { closeFile(); }

    // Fills frame with up to kFrameSize bytes; *size 0 at the end of the folder.
    bool read(uint8_t* frame, uint32_t* size, std::string* error) {
        *size = 0;
        while (*size < kFrameSize) {
            if (fd_ < 0) {
                if (next_ == end_) return true;
                if (!openNext(error)) return false;
                continue;
            }
            uint64_t want = std::min<uint64_t>(kFrameSize - *size, left_);
            if (want == 0) {
                // The file must end where it ended when it was gathered.
                uint8_t probe;
                ssize_t extra = ::read(fd_, &probe, 1);
                if (extra != 0) return changed(error);
                closeFile();
                continue;
            }
            ssize_t got = ::read(fd_, frame + *size, size_t(want));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                *error = "cannot read '" + current_->sourcePath + "': " + std::strerror(errno);
                return false;
            }
            if (got == 0) return changed(error);
            *size += uint32_t(got);
            left_ -= uint64_t(got);
        }
        return true;
    }

  private:
    bool openNext(std::string* error) {
        current_ = &entries_[next_++];
        left_ = current_->size;
        fd_ = ::open(current_->sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            *error = "cannot open '" + current_->sourcePath + "': " + std::strerror(errno);
            return false;
        }
        return true;
    }
    bool changed(std::string* error) {
        *error = "'" + current_->sourcePath + "' changed while it was being packed";
        return false;
    }
    void closeFile() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    const std::vector<CabinetEntry>& entries_;
    size_t next_;
    size_t end_;
    const CabinetEntry* current_ = nullptr;
    uint64_t left_ = 0;
    int fd_ = -1;
};

}  // namespace

bool planCabinet(const std::vector<CabinetEntry>& entries, const CabinetOptions& options,
                 uint64_t sizeLimit, CabinetPlan* plan, std::string* error) {
    *plan = CabinetPlan();
    if (entries.empty()) {
        *error = "there are no files to put into the cabinet";
        return false;
    }
    if (entries.size() > kMaxEntries) {
        *error = std::to_string(entries.size()) + " files: a cabinet holds at most 65535";
        return false;
    }
    uint64_t folderLimit =
        options.folderSize ? std::min(options.folderSize, kMaxFolderBytes) : kMaxFolderBytes;
    uint64_t fileTable = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const CabinetEntry& entry = entries[i];
        if (entry.name.empty() || entry.name.find('\0') != std::string::npos) {
            *error = "'" + shown(entry) + "' has no usable name";
            return false;
        }
        if (entry.name.size() > kMaxNameBytes) {
            *error = "the name of '" + shown(entry) + "' is " + std::to_string(entry.name.size()) +
                     " bytes long; a cabinet holds names of at most 255 bytes";
            return false;
        }
        if (entry.size > kMaxFolderBytes) {
            *error = "'" + shown(entry) + "' is " + std::to_string(entry.size) +
                     " bytes; a file in a cabinet lies in one folder of at most 65535 blocks, "
                     "2147450880 bytes";
            return false;
        }
        fileTable += kFileEntrySize + entry.name.size() + 1;
        // An empty file never needs a folder of its own.
        bool startFolder =
            plan->folders.empty() || (plan->folders.back().size > 0 && entry.size > 0 &&
                                      plan->folders.back().size + entry.size > folderLimit);
        if (startFolder) {
            if (plan->folders.size() == kMaxFolders) {
                *error = "the files need more than 65535 folders (raise --folder-size)";
                return false;
            }
            CabinetPlan::Folder folder;
            folder.firstEntry = i;
            plan->folders.push_back(folder);
        }
        CabinetPlan::Folder& folder = plan->folders.back();
        plan->folderIndex.push_back(uint16_t(plan->folders.size() - 1));
        plan->folderOffset.push_back(uint32_t(folder.size));
        folder.size += entry.size;
        ++folder.entryCount;
    }
    uint64_t filesOffset = kHeaderSize + uint64_t(kFolderEntrySize) * plan->folders.size();
    uint64_t dataOffset = filesOffset + fileTable;
    uint64_t largest = dataOffset;
    uint32_t blockLimit = options.compression.maximumBlockSize();
    for (CabinetPlan::Folder& folder : plan->folders) {
        folder.blockCount = uint32_t((folder.size + kFrameSize - 1) / kFrameSize);
        largest += uint64_t(kDataHeaderSize) * folder.blockCount;
        largest += options.compression.kind == CompressionKind::Stored
                       ? folder.size
                       : uint64_t(blockLimit) * folder.blockCount;
    }
    if (largest > sizeLimit) {
        *error = "the cabinet could grow to " + std::to_string(largest) + " bytes, more than the " +
                 std::to_string(sizeLimit) + " it may have here; pack fewer files";
        return false;
    }
    plan->filesOffset = uint32_t(filesOffset);
    plan->dataOffset = uint32_t(dataOffset);
    plan->largestSize = largest;
    return true;
}

bool writeCabinet(const std::vector<CabinetEntry>& entries, const CabinetOptions& options,
                  const CabinetPlan& plan, OutputFile* out, CabinetResult* result,
                  std::string* error) {
    const uint64_t base = out->position();
    // Header and folder table are written last, once the block offsets are known; the file
    // table is complete now.
    std::vector<uint8_t> head(plan.filesOffset, 0);
    std::vector<uint8_t> fileTable;
    for (size_t i = 0; i < entries.size(); ++i) {
        const CabinetEntry& entry = entries[i];
        uint8_t fixed[kFileEntrySize];
        put32(fixed, uint32_t(entry.size));
        put32(fixed + 4, plan.folderOffset[i]);
        put16(fixed + 8, plan.folderIndex[i]);
        put16(fixed + 10, entry.date);
        put16(fixed + 12, entry.time);
        put16(fixed + 14, entry.attributes);
        fileTable.insert(fileTable.end(), fixed, fixed + kFileEntrySize);
        fileTable.insert(fileTable.end(), entry.name.begin(), entry.name.end());
        fileTable.push_back(0);
    }
    if (!out->write(head.data(), head.size()) || !out->write(fileTable.data(), fileTable.size())) {
        *error = out->failure();
        return false;
    }

    const uint32_t blockLimit = std::min<uint32_t>(options.compression.maximumBlockSize(), 0xFFFF);
    std::vector<uint8_t> frame(kFrameSize);
    std::vector<uint8_t> block;
    uint32_t blocks = 0;
    for (size_t f = 0; f < plan.folders.size(); ++f) {
        const CabinetPlan::Folder& folder = plan.folders[f];
        uint8_t* entry = head.data() + kHeaderSize + f * kFolderEntrySize;
        put32(entry, uint32_t(out->position() - base));
        put16(entry + 4, folder.blockCount);
        put16(entry + 6, options.compression.typeWord());
        std::unique_ptr<FrameEncoder> encoder = makeFrameEncoder(options.compression);
        if (!encoder) {
            *error = options.compression.describe() + " compression is not available";
            return false;
        }
        FolderStream stream(entries, folder.firstEntry, folder.entryCount);
        uint32_t written = 0;
        for (;;) {
            uint32_t size = 0;
            if (!stream.read(frame.data(), &size, error)) return false;
            if (size == 0) break;
            if (!encoder->encodeFrame(frame.data(), size, &block, error)) return false;
            if (block.size() > blockLimit) {
                *error = "the " + options.compression.describe() + " compressor made a block of " +
                         std::to_string(block.size()) + " bytes, more than the decoder takes";
                return false;
            }
            uint8_t header[kDataHeaderSize];
            put16(header + 4, uint32_t(block.size()));
            put16(header + 6, size);
            uint32_t checksum = 0;
            if (options.blockChecksums) {
                checksum = blockChecksum(block.data(), uint32_t(block.size()), 0);
                checksum = blockChecksum(header + 4, 4, checksum);
            }
            put32(header, checksum);
            if (!out->write(header, sizeof header) || !out->write(block.data(), block.size())) {
                *error = out->failure();
                return false;
            }
            ++written;
        }
        if (written != folder.blockCount) {
            *error = "the files of folder " + std::to_string(f) + " changed while being packed";
            return false;
        }
        blocks += written;
    }

    uint64_t size = out->position() - base;
    if (size > 0xFFFFFFFFu) {
        *error = "the cabinet grew past 4 GiB";
        return false;
    }
    std::memcpy(head.data(), "MSCF", 4);
    put32(head.data() + 8, uint32_t(size));
    put32(head.data() + 16, plan.filesOffset);
    head[24] = 3;  // version 1.3
    head[25] = 1;
    put16(head.data() + 26, uint32_t(plan.folders.size()));
    put16(head.data() + 28, uint32_t(entries.size()));
    put16(head.data() + 30, 0);  // no neighbours in a set, no reserve areas
    put16(head.data() + 32, setIdOf(entries));
    put16(head.data() + 34, 0);
    if (!out->writeAt(base, head.data(), head.size())) {
        *error = out->failure();
        return false;
    }
    result->size = size;
    result->blocks = blocks;
    return true;
}

}  // namespace tamrix::pack
