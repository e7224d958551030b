#include "pack/cabinet_set.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cab/block_checksum.h"

namespace tamrix::pack {

namespace {

constexpr uint16_t kMaxHeaderReserve = 60000;

// One compressed data block, kept in the spool file until the layout is known.
struct SpooledBlock {
    size_t folder;
    uint32_t start;  // where its bytes begin in the folder's uncompressed stream
    uint16_t uncompressedSize;
    uint16_t compressedSize;
    uint64_t spoolOffset;
    uint32_t dataChecksum;  // over the compressed bytes only; the header is folded in when written
};

// A temporary file without a name: the compressed blocks of the whole set.
class Spool {
  public:
    ~Spool() {
        if (fd_ >= 0) close(fd_);
    }
    bool open(std::string* error) {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern =
            std::string(folder && *folder ? folder : "/tmp") + "/tamrix-blocks-XXXXXX";
        fd_ = mkstemp(pattern.data());
        if (fd_ < 0) {
            *error = "cannot make a temporary file in '" + pattern.substr(0, pattern.rfind('/')) +
                     "': " + std::strerror(errno);
            return false;
        }
        unlink(pattern.c_str());
        return true;
    }
    bool append(const std::vector<uint8_t>& bytes, uint64_t* at, std::string* error) {
        *at = size_;
        if (pwrite(fd_, bytes.data(), bytes.size(), off_t(size_)) != ssize_t(bytes.size())) {
            *error = std::string("cannot keep compressed data: ") + std::strerror(errno);
            return false;
        }
        size_ += bytes.size();
        return true;
    }
    bool read(uint64_t at, uint8_t* bytes, size_t size) const {
        return pread(fd_, bytes, size, off_t(at)) == ssize_t(size);
    }

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

// Fills 32 KiB frames from the files of one folder, back to back.
bool readFrame(const std::vector<CabinetEntry>& entries, size_t* next, size_t end, int* fd,
               uint64_t* left, uint8_t* frame, uint32_t* size, std::string* error) {
    *size = 0;
    while (*size < kFrameSize) {
        if (*fd < 0) {
            if (*next == end) return true;
            const CabinetEntry& entry = entries[(*next)++];
            *left = entry.size;
            *fd = ::open(entry.sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
            if (*fd < 0) {
                *error = "cannot open '" + entry.sourcePath + "': " + std::strerror(errno);
                return false;
            }
        }
        const CabinetEntry& entry = entries[*next - 1];
        if (*left == 0) {
            uint8_t probe;
            const bool grew = ::read(*fd, &probe, 1) != 0;
            ::close(*fd);
            *fd = -1;
            if (grew) {
                *error = "'" + entry.sourcePath + "' changed while it was being packed";
                return false;
            }
            continue;
        }
        const size_t want = size_t(std::min<uint64_t>(kFrameSize - *size, *left));
        const ssize_t got = ::read(*fd, frame + *size, want);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            *error = got == 0 ? "'" + entry.sourcePath + "' changed while it was being packed"
                              : "cannot read '" + entry.sourcePath + "': " + std::strerror(errno);
            ::close(*fd);
            *fd = -1;
            return false;
        }
        *size += uint32_t(got);
        *left -= uint64_t(got);
    }
    return true;
}

bool compressFolders(const std::vector<CabinetEntry>& entries, const CabinetOptions& options,
                     const CabinetPlan& plan, Spool* spool, std::vector<SpooledBlock>* blocks,
                     std::string* error) {
    const uint32_t blockLimit = std::min<uint32_t>(options.compression.maximumBlockSize(), 0xFFFF);
    std::vector<uint8_t> frame(kFrameSize), block;
    for (size_t f = 0; f < plan.folders.size(); ++f) {
        const CabinetPlan::Folder& folder = plan.folders[f];
        std::unique_ptr<FrameEncoder> encoder = makeFrameEncoder(options.compression);
        if (!encoder) {
            *error = options.compression.describe() + " compression is not available";
            return false;
        }
        size_t next = folder.firstEntry;
        int fd = -1;
        uint64_t left = 0;
        uint32_t start = 0;
        bool ok = true;
        for (;;) {
            uint32_t size = 0;
            ok = readFrame(entries, &next, folder.firstEntry + folder.entryCount, &fd, &left,
                           frame.data(), &size, error);
            if (!ok || size == 0) break;
            ok = encoder->encodeFrame(frame.data(), size, &block, error);
            if (ok && block.size() > blockLimit) {
                *error = "the " + options.compression.describe() + " compressor made a block of " +
                         std::to_string(block.size()) + " bytes, more than the decoder takes";
                ok = false;
            }
            SpooledBlock spooled{f, start, uint16_t(size), uint16_t(block.size()), 0, 0};
            if (!ok || !spool->append(block, &spooled.spoolOffset, error)) {
                ok = false;
                break;
            }
            spooled.dataChecksum = blockChecksum(block.data(), uint32_t(block.size()), 0);
            blocks->push_back(spooled);
            start += size;
        }
        if (fd >= 0) ::close(fd);
        if (!ok) return false;
    }
    return true;
}

// One cabinet of the set: a run of blocks and the run of file entries that touch them.
struct CabinetPart {
    size_t firstBlock = 0, endBlock = 0;
    size_t firstEntry = 0, endEntry = 0;
    size_t firstFolder = 0, endFolder = 0;
};

class SetLayout {
  public:
    SetLayout(const std::vector<CabinetEntry>& entries, const CabinetPlan& plan,
              const std::vector<SpooledBlock>& blocks, const LayoutOptions& layout,
              const SetTarget& target)
        : entries_(entries), plan_(plan), blocks_(blocks), layout_(layout), target_(target) {
        for (size_t f = 0; f < plan.folders.size(); ++f) {
            firstBlockOf_.push_back(blocks.size());
            lastBlockOf_.push_back(0);
        }
        for (size_t b = 0; b < blocks.size(); ++b) {
            const size_t f = blocks[b].folder;
            if (firstBlockOf_[f] == blocks.size()) firstBlockOf_[f] = b;
            lastBlockOf_[f] = b;
        }
    }

    bool cut(std::vector<CabinetPart>* parts, std::string* error) const {
        const uint64_t limit = layout_.maxCabinetSize ? layout_.maxCabinetSize : 0xFFFFFFFFu;
        if (blocks_.empty()) {
            // Nothing but empty files: one cabinet with the planned (empty) folder.
            parts->push_back(CabinetPart{0, 0, 0, entries_.size(), 0, plan_.folders.size()});
            return true;
        }
        size_t cursor = 0;  // the first entry not yet listed in any cabinet
        size_t b = 0;
        while (b < blocks_.size()) {
            CabinetPart part;
            part.firstBlock = b;
            part.firstFolder = blocks_[b].folder;
            // The entry that runs over from the previous cabinet is listed again.
            part.firstEntry = cursor;
            if (!parts->empty() && cursor > 0 && runsPast(cursor - 1, b))
                part.firstEntry = cursor - 1;
            uint64_t tables = tableBytes(part.firstEntry, cursor);
            uint64_t data = 0;
            size_t folders = 0;
            uint32_t blocksOfFolder = 0;  // in this cabinet, of the folder of the last block
            size_t entryEnd = cursor;
            for (; b < blocks_.size(); ++b) {
                const SpooledBlock& block = blocks_[b];
                const bool newFolder =
                    b == part.firstBlock || block.folder != blocks_[b - 1].folder;
                size_t end = entryEnd;
                while (end < entries_.size() && startsBy(end, b)) ++end;
                const uint64_t size = headerBytes(parts->size(), b + 1 < blocks_.size()) +
                                      uint64_t(folders + newFolder) *
                                          (kFolderEntryFixedSize + layout_.folderReserve) +
                                      tables + tableBytes(entryEnd, end) + data +
                                      kDataHeaderFixedSize + layout_.dataReserve +
                                      block.compressedSize;
                if (size > limit || (!newFolder && blocksOfFolder == 0xFFFF)) {
                    if (b == part.firstBlock) {
                        *error = "--max-cabinet-size " + std::to_string(limit) +
                                 " is too small: cabinet " + std::to_string(parts->size() + 1) +
                                 " needs " + std::to_string(size) +
                                 " bytes for its header, its file entries and one data block";
                        return false;
                    }
                    break;
                }
                folders += newFolder;
                blocksOfFolder = newFolder ? 1 : blocksOfFolder + 1;
                tables += tableBytes(entryEnd, end);
                entryEnd = end;
                data += kDataHeaderFixedSize + layout_.dataReserve + block.compressedSize;
            }
            part.endBlock = b;
            part.endEntry = entryEnd;
            part.endFolder = blocks_[b - 1].folder + 1;
            cursor = entryEnd;
            parts->push_back(part);
        }
        return true;
    }

    // The cabinet's folder index word for entry i in part.
    uint16_t folderWord(const CabinetPart& part, size_t i) const {
        const size_t f = plan_.folderIndex[i];
        const bool fromPrevious = f == part.firstFolder && firstBlockOf_[f] < part.firstBlock;
        const bool intoNext = lastBlockOf_[f] >= part.endBlock && runsPast(i, part.endBlock);
        if (fromPrevious && intoNext) return kContinuedBoth;
        if (fromPrevious) return kContinuedFromPrevious;
        if (intoNext) return kContinuedToNext;
        return uint16_t(f - part.firstFolder);
    }

    uint64_t headerBytes(size_t index, bool hasNext) const {
        uint64_t size = kFixedHeaderSize;
        if (layout_.reserve) size += kReserveRecordSize + layout_.headerReserve;
        if (index > 0) size += setCabinetName(target_, index).size() + 2;  // and an empty disk name
        if (hasNext) size += setCabinetName(target_, index + 2).size() + 2;
        return size;
    }

  private:
    // Entry i's bytes go on past the start of block b (b in the entry's folder, or past its end).
    bool runsPast(size_t i, size_t b) const {
        const size_t f = plan_.folderIndex[i];
        if (b >= blocks_.size() || blocks_[b].folder != f) return false;
        return uint64_t(plan_.folderOffset[i]) + entries_[i].size > blocks_[b].start;
    }
    // Entry i starts within block b or before it (an empty entry at the folder's end goes with
    // the folder's last block).
    bool startsBy(size_t i, size_t b) const {
        const size_t f = plan_.folderIndex[i];
        if (f != blocks_[b].folder) return f < blocks_[b].folder;
        const uint64_t end = uint64_t(blocks_[b].start) + blocks_[b].uncompressedSize;
        return plan_.folderOffset[i] < end || b == lastBlockOf_[f];
    }
    uint64_t tableBytes(size_t first, size_t end) const {
        uint64_t size = 0;
        for (size_t i = first; i < end; ++i)
            size += kFileEntryFixedSize + entries_[i].name.size() + 1;
        return size;
    }

    const std::vector<CabinetEntry>& entries_;
    const CabinetPlan& plan_;
    const std::vector<SpooledBlock>& blocks_;
    const LayoutOptions& layout_;
    const SetTarget& target_;
    std::vector<size_t> firstBlockOf_, lastBlockOf_;
};

// Set identifier: made from the files' names and details and from every block's size and checksum,
// so the same input gives the same id (builds are repeatable) while a cabinet of another build of a
// set with the same names is told apart and refused instead of being read as this set's part.
uint16_t setIdOf(const std::vector<CabinetEntry>& entries,
                 const std::vector<SpooledBlock>& blocks) {
    uLong crc = crc32(0, nullptr, 0);
    const auto fold = [&crc](const void* bytes, size_t count) {
        crc = crc32(crc, static_cast<const Bytef*>(bytes), uInt(count));
    };
    for (const CabinetEntry& entry : entries) {
        fold(entry.name.c_str(), entry.name.size() + 1);
        const uint16_t details[3] = {entry.date, entry.time, entry.attributes};
        fold(&entry.size, sizeof entry.size);
        fold(details, sizeof details);
    }
    for (const SpooledBlock& block : blocks) {
        const uint32_t sizes = uint32_t(block.uncompressedSize) << 16 | block.compressedSize;
        fold(&sizes, sizeof sizes);
        fold(&block.dataChecksum, sizeof block.dataChecksum);
    }
    return uint16_t(crc ^ (crc >> 16));
}

bool writePart(const std::vector<CabinetEntry>& entries, const CabinetPlan& plan,
               const CabinetOptions& options, const LayoutOptions& layout,
               const SetLayout& setLayout, const std::vector<CabinetPart>& parts, size_t index,
               const std::vector<SpooledBlock>& blocks, const Spool& spool, const SetTarget& target,
               uint16_t setId, OutputFile* out, uint64_t* written, std::string* error) {
    const CabinetPart& part = parts[index];
    const bool hasNext = index + 1 < parts.size();
    std::vector<uint8_t> head(setLayout.headerBytes(index, hasNext), 0);
    const uint16_t flags = (index > 0 ? kFlagPreviousCabinet : 0) |
                           (hasNext ? kFlagNextCabinet : 0) |
                           (layout.reserve ? kFlagReservePresent : 0);
    size_t at = kFixedHeaderSize;
    if (layout.reserve) {
        store16(head.data() + at, layout.headerReserve);
        head[at + 2] = layout.folderReserve;
        head[at + 3] = layout.dataReserve;
        at += kReserveRecordSize + layout.headerReserve;
    }
    auto putName = [&](const std::string& name) {
        std::memcpy(head.data() + at, name.c_str(), name.size() + 1);
        at += name.size() + 2;  // the name's NUL, then an empty disk name
    };
    if (index > 0) putName(setCabinetName(target, index));
    if (hasNext) putName(setCabinetName(target, index + 2));

    const size_t folderCount = part.endFolder - part.firstFolder;
    const uint32_t folderEntrySize = kFolderEntryFixedSize + layout.folderReserve;
    std::vector<uint8_t> folderTable(folderCount * folderEntrySize, 0);
    std::vector<uint8_t> fileTable;
    for (size_t i = part.firstEntry; i < part.endEntry; ++i) {
        uint8_t fixed[kFileEntryFixedSize];
        store32(fixed + file::fileSize, uint32_t(entries[i].size));
        store32(fixed + file::folderOffset, plan.folderOffset[i]);
        store16(fixed + file::folderIndex, setLayout.folderWord(part, i));
        store16(fixed + file::date, entries[i].date);
        store16(fixed + file::time, entries[i].time);
        store16(fixed + file::attributes, entries[i].attributes);
        fileTable.insert(fileTable.end(), fixed, fixed + kFileEntryFixedSize);
        fileTable.insert(fileTable.end(), entries[i].name.begin(), entries[i].name.end());
        fileTable.push_back(0);
    }
    const uint64_t base = out->position();
    const uint64_t filesOffset = head.size() + folderTable.size();
    uint64_t position = filesOffset + fileTable.size();

    // Folder entries: where each folder's first block of this cabinet lies.
    for (size_t b = part.firstBlock, f = part.firstFolder; f < part.endFolder; ++f) {
        uint8_t* entry = folderTable.data() + (f - part.firstFolder) * folderEntrySize;
        store32(entry + folder::firstBlockOffset, uint32_t(position));
        uint32_t count = 0;
        for (; b < part.endBlock && blocks[b].folder == f; ++b, ++count) {
            position += kDataHeaderFixedSize + layout.dataReserve + blocks[b].compressedSize;
        }
        store16(entry + folder::blockCount, count);
        store16(entry + folder::compressionType, options.compression.typeWord());
    }
    const uint64_t size = position;
    store32(head.data() + header::signature, kCabinetSignature);
    store32(head.data() + header::cabinetSize, uint32_t(size));
    store32(head.data() + header::filesOffset, uint32_t(filesOffset));
    store16(head.data() + header::version, kCabinetVersion);
    store16(head.data() + header::folderCount, uint32_t(folderCount));
    store16(head.data() + header::fileCount, uint32_t(part.endEntry - part.firstEntry));
    store16(head.data() + header::flags, flags);
    store16(head.data() + header::setId, setId);
    store16(head.data() + header::cabinetIndex, uint32_t(index));
    if (!out->write(head.data(), head.size()) ||
        !out->write(folderTable.data(), folderTable.size()) ||
        !out->write(fileTable.data(), fileTable.size())) {
        *error = out->failure();
        return false;
    }
    std::vector<uint8_t> header(kDataHeaderFixedSize + layout.dataReserve, 0);
    std::vector<uint8_t> data;
    for (size_t b = part.firstBlock; b < part.endBlock; ++b) {
        const SpooledBlock& block = blocks[b];
        data.resize(block.compressedSize);
        if (!spool.read(block.spoolOffset, data.data(), data.size())) {
            *error = std::string("cannot read back compressed data: ") + std::strerror(errno);
            return false;
        }
        store16(header.data() + 4, block.compressedSize);
        store16(header.data() + 6, block.uncompressedSize);
        uint32_t checksum = 0;
        if (options.blockChecksums) {
            checksum =
                blockChecksum(header.data() + 4, uint32_t(header.size() - 4), block.dataChecksum);
        }
        store32(header.data(), checksum);
        if (!out->write(header.data(), header.size()) || !out->write(data.data(), data.size())) {
            *error = out->failure();
            return false;
        }
    }
    if (out->position() - base != size) {
        *error =
            "internal error: cabinet " + std::to_string(index + 1) + " came out at the wrong size";
        return false;
    }
    *written = size;
    return true;
}

}  // namespace

bool parseReserve(const std::string& text, LayoutOptions* options, std::string* error) {
    unsigned long sizes[3] = {};
    const char* p = text.c_str();
    for (int k = 0; k < 3; ++k) {
        char* end = nullptr;
        if (*p < '0' || *p > '9') break;
        sizes[k] = std::strtoul(p, &end, 10);
        p = end;
        if (k < 2 && *p++ != ',') p = nullptr;
        if (!p) break;
        if (k == 2 && *p == 0 && sizes[0] <= kMaxHeaderReserve && sizes[1] <= 255 &&
            sizes[2] <= 255) {
            options->reserve = true;
            options->headerReserve = uint16_t(sizes[0]);
            options->folderReserve = uint8_t(sizes[1]);
            options->dataReserve = uint8_t(sizes[2]);
            return true;
        }
    }
    *error =
        "--reserve wants HEADER,FOLDER,BLOCK byte counts of at most 60000,255,255: '" + text + "'";
    return false;
}

SetTarget setTargetFor(const std::string& outputPath, OutputFile* first) {
    SetTarget target;
    target.first = first;
    const size_t slash = outputPath.rfind('/');
    target.folder = slash == std::string::npos ? ""
                    : slash == 0               ? "/"
                                               : outputPath.substr(0, slash);
    target.firstName = slash == std::string::npos ? outputPath : outputPath.substr(slash + 1);
    const size_t dot = target.firstName.rfind('.');
    target.stem =
        dot == std::string::npos || dot == 0 ? target.firstName : target.firstName.substr(0, dot);
    return target;
}

std::string setCabinetName(const SetTarget& target, size_t n) {
    return n == 1 ? target.firstName : target.stem + std::to_string(n) + ".cab";
}

bool writeCabinetSet(const std::vector<CabinetEntry>& entries, const CabinetOptions& options,
                     const LayoutOptions& layout, const CabinetPlan& plan, const SetTarget& target,
                     SetResult* result, std::string* error) {
    Spool spool;
    std::vector<SpooledBlock> blocks;
    if (!spool.open(error) || !compressFolders(entries, options, plan, &spool, &blocks, error)) {
        return false;
    }
    SetLayout setLayout(entries, plan, blocks, layout, target);
    std::vector<CabinetPart> parts;
    if (!setLayout.cut(&parts, error)) return false;
    for (size_t k = 1; k < parts.size(); ++k) {
        if (setCabinetName(target, k + 1).size() > kMaxNameBytes) {
            *error = "the set's cabinet names are longer than 255 bytes";
            return false;
        }
    }
    const uint16_t setId = setIdOf(entries, blocks);
    std::vector<std::unique_ptr<OutputFile>> others;
    result->sizes.assign(parts.size(), 0);
    for (size_t k = 0; k < parts.size(); ++k) {
        OutputFile* out = target.first;
        if (k > 0) {
            others.push_back(std::make_unique<OutputFile>());
            out = others.back().get();
            const std::string path =
                (target.folder.empty() ? "" : target.folder + "/") + setCabinetName(target, k + 1);
            if (!out->open(path, error)) return false;
            result->written.push_back(path);
        }
        if (!writePart(entries, plan, options, layout, setLayout, parts, k, blocks, spool, target,
                       setId, out, &result->sizes[k], error)) {
            result->written.clear();
            return false;
        }
    }
    for (size_t k = 0; k < others.size(); ++k) {
        if (!others[k]->commit(0644, error)) {
            result->written.resize(k);
            return false;
        }
    }
    return true;
}

}  // namespace tamrix::pack
