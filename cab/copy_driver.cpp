// copyCabinet: log in, walk the file table, pump each file's blocks through the folder's codec
// into the target, and follow a folder into the next cabinet of a set.
#include <cstring>

#include "cab/cabinet_reader.h"
#include "cab/codec_selection.h"
#include "cab/decoder_context.h"

namespace tamrix {

namespace {

constexpr int32_t kOpenCabinetFlags = kOpenBinary | kOpenReadOnly;
constexpr int32_t kHandlerAbort = -1;

bool notify(CabinetDecoder* decoder, CopyNotification kind, int32_t* result = nullptr) {
    decoder->note.user = decoder->user;
    const int32_t answer = decoder->handler(kind, &decoder->note);
    if (result) *result = answer;
    return answer != kHandlerAbort || raise(decoder, Aborted);
}

bool callHook(CabinetDecoder* decoder, DataHookKind kind) {
    if (!decoder->hook) return true;
    decoder->hookRecord.kind = kind;
    decoder->hookRecord.user = decoder->user;
    return decoder->hook(&decoder->hookRecord) != kHandlerAbort || raise(decoder, Aborted);
}

bool copyPath(CabinetDecoder* decoder, const char* path) {
    const size_t length = std::strlen(path);
    if (length >= kNameBufferSize) return raise(decoder, CabinetOpenFailed);
    std::memmove(decoder->cabinetPath, path, length + 1);
    return true;
}

bool logIn(CabinetDecoder* decoder, const char* name, uint16_t setId, uint16_t cabinetIndex) {
    const size_t pathLength = std::strlen(decoder->cabinetPath);
    const size_t nameLength = std::strlen(name);
    if (pathLength + nameLength >= kNameBufferSize) return raise(decoder, CabinetOpenFailed);
    std::memcpy(decoder->joinedPath, decoder->cabinetPath, pathLength);
    std::memcpy(decoder->joinedPath + pathLength, name, nameLength + 1);

    const DecoderCallbacks& cb = decoder->callbacks;
    decoder->listHandle = cb.open(decoder->joinedPath, kOpenCabinetFlags, kModeReadWrite);
    if (decoder->listHandle == kNoHandle) return raise(decoder, CabinetOpenFailed);
    decoder->dataHandle = cb.open(decoder->joinedPath, kOpenCabinetFlags, kModeReadWrite);
    if (decoder->dataHandle == kNoHandle) return raise(decoder, CabinetOpenFailed);
    if (!readCabinetHeader(decoder, setId, cabinetIndex)) return false;

    NotificationRecord& note = decoder->note;
    note.name = decoder->nextCabinet;
    note.name2 = decoder->nextDisk;
    note.name3 = decoder->cabinetPath;
    note.setId = headerField16(decoder, header::setId);
    note.cabinetIndex = headerField16(decoder, header::cabinetIndex);
    if (!notify(decoder, CabinetOpened)) return false;

    DataHookRecord& hook = decoder->hookRecord;
    const bool known = decoder->cabinetReserveKnown;
    hook.reserve = known && decoder->cabinetReserveSize ? decoder->cabinetReserve : nullptr;
    hook.reserveSize = known ? decoder->cabinetReserveSize : kUnknownSize;
    hook.setId = headerField16(decoder, header::setId);
    hook.cabinetIndex = headerField16(decoder, header::cabinetIndex);
    return callHook(decoder, HookCabinet);
}

bool checkpoint(CabinetDecoder* decoder) {
    const int32_t position = decoder->callbacks.seek(decoder->listHandle, 0, kSeekCur);
    if (position == -1) return raise(decoder, CabinetDataCorrupt);
    NotificationRecord& note = decoder->note;
    note.size = position;
    note.folderIndex = uint16_t(decoder->filesLeft);
    note.setId = headerField16(decoder, header::setId);
    if (!notify(decoder, FileListCheckpoint)) return false;
    decoder->filesLeft = note.folderIndex;
    if (decoder->filesLeft != 0 && note.size != position &&
        decoder->callbacks.seek(decoder->listHandle, note.size, kSeekSet) == -1) {
        return raise(decoder, Aborted);
    }
    return true;
}

bool openFolder(CabinetDecoder* decoder, uint16_t index) {
    decoder->folderIndex = index;
    if (!readFolderEntry(decoder, index)) return false;
    decoder->blocksLeft = load16(decoder->folderEntry + folder::blockCount);
    if (!selectCodec(decoder, load16(decoder->folderEntry + folder::compressionType))) {
        return false;
    }
    DataHookRecord& hook = decoder->hookRecord;
    const uint16_t reserveSize = uint16_t(decoder->folderEntrySize - kFolderEntryFixedSize);
    hook.reserve = reserveSize ? decoder->folderEntry + kFolderEntryFixedSize : nullptr;
    hook.reserveSize = reserveSize;
    hook.folderIndex = index;
    return callHook(decoder, HookFolder);
}

// Reads the continued folder's first block in a next cabinet once, so that a damaged cabinet is
// refused while the handler can still be asked for another copy. The data handle goes back to
// the block, whose real read (same bytes, same place) refills the context's block sizes.
bool checkFirstBlock(CabinetDecoder* decoder, uint32_t partOffset) {
    if (decoder->blocksLeft == 0) return true;
    const int32_t first = int32_t(load32(decoder->folderEntry + folder::firstBlockOffset));
    return readBlockPart(decoder, partOffset) &&
           (decoder->callbacks.seek(decoder->dataHandle, first, kSeekSet) != -1 ||
            raise(decoder, CabinetDataCorrupt));
}

// Moves on to the next cabinet of the set in the middle of a file and skips the entries of the
// files still in flight there. partOffset is where the block read next goes in the input buffer.
bool switchCabinet(CabinetDecoder* decoder, uint32_t partOffset) {
    const uint16_t setId = headerField16(decoder, header::setId);
    const uint16_t cabinetIndex = uint16_t(headerField16(decoder, header::cabinetIndex) + 1);
    // Logging in overwrites the next-cabinet names, so the attempt works from copies.
    std::memcpy(decoder->wantedCabinet, decoder->nextCabinet, kNameBufferSize);
    std::memcpy(decoder->wantedDisk, decoder->nextDisk, kNameBufferSize);
    NotificationRecord& note = decoder->note;
    note.error = Ok;
    for (;;) {
        const int32_t closedData = closeHandle(decoder, &decoder->dataHandle);
        const int32_t closedList = closeHandle(decoder, &decoder->listHandle);
        if (closedData != 0 || closedList != 0) return raise(decoder, CabinetDataCorrupt);
        note.name = decoder->wantedCabinet;
        note.name2 = decoder->wantedDisk;
        note.name3 = decoder->cabinetPath;
        note.setId = setId;
        note.cabinetIndex = cabinetIndex;
        if (!notify(decoder, CabinetNeeded)) return false;
        if (logIn(decoder, decoder->wantedCabinet, setId, cabinetIndex) && openFolder(decoder, 0) &&
            checkFirstBlock(decoder, partOffset)) {
            break;
        }
        if (decoder->error->code == Aborted) return false;
        note.error = decoder->error->code;
    }

    // The last entry skipped is the current file's own continuation entry.
    for (++decoder->pendingSkips; decoder->pendingSkips != 0; --decoder->pendingSkips) {
        if (decoder->filesLeft == 0) return raise(decoder, CabinetDataCorrupt);
        --decoder->filesLeft;
        if (!readFileEntry(decoder)) return false;
    }
    decoder->continuing = true;
    return true;
}

bool takeBlockPart(CabinetDecoder* decoder, uint32_t partOffset) {
    while (decoder->blocksLeft == 0) {
        if (!switchCabinet(decoder, partOffset)) return false;
    }
    --decoder->blocksLeft;
    if (!readBlockPart(decoder, partOffset)) return false;
    if (!decoder->hook) return true;
    DataHookRecord& hook = decoder->hookRecord;
    const uint16_t reserveSize = uint16_t(decoder->dataHeaderSize - kDataHeaderFixedSize);
    hook.reserve = reserveSize ? decoder->dataHeader + kDataHeaderFixedSize : nullptr;
    hook.reserveSize = reserveSize;
    hook.data = decoder->input + partOffset;
    hook.dataSize = uint16_t(decoder->blockCompressedSize);
    hook.split = partOffset != 0 || decoder->blockUncompressedSize == 0;
    hook.partOffset = uint16_t(partOffset);
    return callHook(decoder, HookBlock);
}

// Reads the folder's next block (both parts of a split one) and decodes it into the output buffer.
bool moveToNextBlock(CabinetDecoder* decoder) {
    decoder->blockStart += decoder->blockUncompressedSize;
    decoder->blockUncompressedSize = 0;
    if (!takeBlockPart(decoder, 0)) return false;
    if (decoder->blockUncompressedSize == 0) {
        // A split block: its second part is the folder's first block in the next cabinet.
        const uint32_t firstPart = decoder->blockCompressedSize;
        if (!switchCabinet(decoder, firstPart) || !takeBlockPart(decoder, firstPart)) {
            return false;
        }
    }
    // The output buffer holds one block; a larger claim cannot be honoured by any codec.
    uint32_t produced = 0;
    if (decoder->blockUncompressedSize > decoder->outputSize) return raise(decoder, CodecFailed);
    if (!decompressBlock(decoder, &produced)) return false;
    if (produced != decoder->blockUncompressedSize) {
        decoder->blockUncompressedSize = 0;
        return raise(decoder, CodecFailed);
    }
    return true;
}

bool selectFolder(CabinetDecoder* decoder, uint16_t index) {
    if (decoder->continuing) return true;
    if (continuedToNext(index)) index = uint16_t(headerField16(decoder, header::folderCount) - 1);
    if (index == decoder->folderIndex) return true;
    if (!resetCodec(decoder) || !openFolder(decoder, index)) return false;
    decoder->blockStart = 0;
    decoder->blockUncompressedSize = 0;
    if (!moveToNextBlock(decoder)) return false;
    decoder->blockStart = 0;
    return true;
}

bool pumpFile(CabinetDecoder* decoder) {
    const uint8_t* entry = decoder->fileEntry;
    uint64_t remaining = decoder->pumpSize;
    uint64_t position = decoder->pumpStart;
    if (remaining == 0) return true;
    if (decoder->blockStart > position) decoder->folderIndex = kNoFolder;
    if (!selectFolder(decoder, load16(entry + file::folderIndex))) return false;
    while (decoder->blockStart + decoder->blockUncompressedSize <= position) {
        if (!moveToNextBlock(decoder)) return false;
    }
    for (;;) {
        // Only a continued folder can leave the block past the file's start.
        if (position < decoder->blockStart) return raise(decoder, CabinetDataCorrupt);
        const uint64_t offset = position - decoder->blockStart;
        const uint64_t available = decoder->blockUncompressedSize - offset;
        const uint32_t count = uint32_t(available < remaining ? available : remaining);
        if (decoder->callbacks.write(decoder->targetHandle, decoder->output + offset, count) !=
            int32_t(count)) {
            return raise(decoder, TargetWriteFailed);
        }
        position += count;
        remaining -= count;
        if (remaining == 0) return true;
        if (!moveToNextBlock(decoder)) return false;
    }
}

bool extractFile(CabinetDecoder* decoder, int32_t target) {
    decoder->targetHandle = target;
    bool ok = pumpFile(decoder);
    int32_t answer = 0;
    if (ok) {
        const uint8_t* entry = decoder->fileEntry;
        const uint16_t attributes = load16(entry + file::attributes);
        NotificationRecord& note = decoder->note;
        note.name = decoder->fileName;
        note.handle = decoder->targetHandle;
        note.date = load16(entry + file::date);
        note.time = load16(entry + file::time);
        note.attributes = uint16_t(attributes & ~kAttributeExecute);
        note.folderIndex = load16(entry + file::folderIndex);
        note.size = (attributes & kAttributeExecute) ? 1 : 0;
        ok = notify(decoder, FileEnd, &answer);
    }
    if (!ok) {
        closeHandle(decoder, &decoder->targetHandle);
        return false;
    }
    // The handler has the handle now and has closed it.
    decoder->targetHandle = kNoHandle;
    return answer != 0 || raise(decoder, TargetWriteFailed);
}

void fillFileRecord(CabinetDecoder* decoder) {
    const uint8_t* entry = decoder->fileEntry;
    NotificationRecord& note = decoder->note;
    note.size = int32_t(load32(entry + file::fileSize));
    note.name = decoder->fileName;
    note.name2 = decoder->previousCabinet;
    note.name3 = decoder->previousDisk;
    note.date = load16(entry + file::date);
    note.time = load16(entry + file::time);
    note.attributes = load16(entry + file::attributes);
    note.folderIndex = load16(entry + file::folderIndex);
}

bool walkFiles(CabinetDecoder* decoder) {
    if (!checkpoint(decoder)) return false;
    for (;;) {
        if (decoder->filesLeft == 0) return true;
        --decoder->filesLeft;
        if (!readFileEntry(decoder)) return false;
        fillFileRecord(decoder);
        const uint16_t folderIndex = load16(decoder->fileEntry + file::folderIndex);
        bool extract = false;
        if (continuedFromPrevious(folderIndex)) {
            if (decoder->continuing) {
                extract = true;
            } else if (!notify(decoder, FileContinued)) {
                return false;
            }
        } else if (decoder->continuing) {
            // The files that went on into this cabinet are done; the rest belong to its own copy.
            decoder->filesLeft = 0;
        } else {
            extract = true;
        }
        if (extract) {
            int32_t target = 0;
            NotificationRecord& note = decoder->note;
            note.rangeStart = load32(decoder->fileEntry + file::folderOffset);
            note.rangeSize = load32(decoder->fileEntry + file::fileSize);
            if (!notify(decoder, FileBegin, &target)) return false;
            const bool chosen = decoder->copyFlags & kCopyHandlerRange;
            decoder->pumpStart =
                chosen ? note.rangeStart : load32(decoder->fileEntry + file::folderOffset);
            decoder->pumpSize =
                chosen ? note.rangeSize : load32(decoder->fileEntry + file::fileSize);
            if (target == 0) {
                if (continuedToNext(folderIndex)) ++decoder->pendingSkips;
            } else if (!extractFile(decoder, target)) {
                return false;
            }
        }
        if (decoder->filesLeft == 0 && !checkpoint(decoder)) return false;
    }
}

}  // namespace

bool copyCabinet(CabinetDecoder* decoder, const char* cabinetName, const char* cabinetPath,
                 int32_t flags, CopyHandler handler, DataHook hook, void* user) {
    decoder->copyFlags = flags;
    decoder->handler = handler;
    decoder->hook = hook;
    decoder->user = user;
    decoder->pendingSkips = 0;
    bool ok = copyPath(decoder, cabinetPath) && logIn(decoder, cabinetName, 0, kAnyCabinetIndex);
    if (ok) {
        decoder->continuing = false;
        decoder->folderIndex = kNoFolder;
        ok = copyPath(decoder, cabinetPath) && walkFiles(decoder);
    }
    closeHandle(decoder, &decoder->listHandle);
    closeHandle(decoder, &decoder->dataHandle);
    return ok;
}

}  // namespace tamrix
