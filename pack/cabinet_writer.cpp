#include "pack/cabinet_writer.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "cab/block_checksum.h"
#include "pack/compression_pipeline.h"
#include "pack/progress_line.h"

namespace tamrix::pack {

namespace {

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
        fileTable += kFileEntryFixedSize + entry.name.size() + 1;
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
    uint64_t filesOffset =
        kFixedHeaderSize + uint64_t(kFolderEntryFixedSize) * plan->folders.size();
    uint64_t dataOffset = filesOffset + fileTable;
    uint64_t largest = dataOffset;
    uint32_t blockLimit = options.compression.maximumBlockSize();
    for (CabinetPlan::Folder& folder : plan->folders) {
        folder.blockCount = uint32_t((folder.size + kFrameSize - 1) / kFrameSize);
        largest += uint64_t(kDataHeaderFixedSize) * folder.blockCount;
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
        uint8_t fixed[kFileEntryFixedSize];
        store32(fixed + file::fileSize, uint32_t(entry.size));
        store32(fixed + file::folderOffset, plan.folderOffset[i]);
        store16(fixed + file::folderIndex, plan.folderIndex[i]);
        store16(fixed + file::date, entry.date);
        store16(fixed + file::time, entry.time);
        store16(fixed + file::attributes, entry.attributes);
        fileTable.insert(fileTable.end(), fixed, fixed + kFileEntryFixedSize);
        fileTable.insert(fileTable.end(), entry.name.begin(), entry.name.end());
        fileTable.push_back(0);
    }
    if (!out->write(head.data(), head.size()) || !out->write(fileTable.data(), fileTable.size())) {
        *error = out->failure();
        return false;
    }

    const uint32_t blockLimit = std::min<uint32_t>(options.compression.maximumBlockSize(), 0xFFFF);
    std::vector<FolderWork> work;
    uint64_t totalBytes = 0;
    for (const CabinetPlan::Folder& folder : plan.folders) {
        work.push_back({folder.firstEntry, folder.entryCount, folder.size});
        totalBytes += folder.size;
    }
    ProgressLine progress(stderr, options.progress, entries.size(), totalBytes);
    CompressionPipeline pipeline(entries, work, options.compression, options.jobs);
    std::vector<uint32_t> written(plan.folders.size(), 0);
    uint64_t bytesDone = 0;
    size_t filesDone = 0;
    for (size_t f = 0; f < plan.folders.size(); ++f) {
        uint8_t* entry = head.data() + kFixedHeaderSize + f * kFolderEntryFixedSize;
        store16(entry + folder::blockCount, plan.folders[f].blockCount);
        store16(entry + folder::compressionType, options.compression.typeWord());
    }
    size_t folderStarted = 0;
    CompressedBlock block;
    for (;;) {
        const CompressionPipeline::Next next = pipeline.next(&block, error);
        if (next == CompressionPipeline::Next::Failed) return false;
        if (next == CompressionPipeline::Next::End) break;
        // A folder's entry points at its first block (at the end, for a folder without one).
        for (; folderStarted <= block.folder; ++folderStarted) {
            store32(head.data() + kFixedHeaderSize + folderStarted * kFolderEntryFixedSize,
                    uint32_t(out->position() - base));
        }
        if (block.data.size() > blockLimit) {
            *error = "the " + options.compression.describe() + " compressor made a block of " +
                     std::to_string(block.data.size()) + " bytes, more than the decoder takes";
            return false;
        }
        uint8_t header[kDataHeaderFixedSize];
        store16(header + 4, uint32_t(block.data.size()));
        store16(header + 6, block.uncompressedSize);
        uint32_t checksum = 0;
        if (options.blockChecksums) {
            checksum = blockChecksum(block.data.data(), uint32_t(block.data.size()), 0);
            checksum = blockChecksum(header + 4, 4, checksum);
        }
        store32(header, checksum);
        if (!out->write(header, sizeof header) ||
            !out->write(block.data.data(), block.data.size())) {
            *error = out->failure();
            return false;
        }
        ++written[block.folder];
        bytesDone += block.uncompressedSize;
        while (filesDone < entries.size() && plan.folderIndex[filesDone] <= block.folder &&
               (plan.folderIndex[filesDone] < block.folder ||
                plan.folderOffset[filesDone] + entries[filesDone].size <=
                    uint64_t(written[block.folder]) * kFrameSize)) {
            ++filesDone;
        }
        progress.update(filesDone, bytesDone);
    }
    for (; folderStarted < plan.folders.size(); ++folderStarted) {
        store32(head.data() + kFixedHeaderSize + folderStarted * kFolderEntryFixedSize,
                uint32_t(out->position() - base));
    }
    uint32_t blocks = 0;
    for (size_t f = 0; f < plan.folders.size(); ++f) {
        if (written[f] != plan.folders[f].blockCount) {
            *error = "the files of folder " + std::to_string(f) + " changed while being packed";
            return false;
        }
        blocks += written[f];
    }
    progress.clear();

    uint64_t size = out->position() - base;
    if (size > 0xFFFFFFFFu) {
        *error = "the cabinet grew past 4 GiB";
        return false;
    }
    store32(head.data() + header::signature, kCabinetSignature);
    store32(head.data() + header::cabinetSize, uint32_t(size));
    store32(head.data() + header::filesOffset, plan.filesOffset);
    store16(head.data() + header::version, kCabinetVersion);
    store16(head.data() + header::folderCount, uint32_t(plan.folders.size()));
    store16(head.data() + header::fileCount, uint32_t(entries.size()));
    store16(head.data() + header::flags, 0);  // no neighbours in a set, no reserve areas
    store16(head.data() + header::setId, setIdOf(entries));
    store16(head.data() + header::cabinetIndex, 0);
    if (!out->writeAt(base, head.data(), head.size())) {
        *error = out->failure();
        return false;
    }
    result->size = size;
    result->blocks = blocks;
    return true;
}

}  // namespace tamrix::pack
