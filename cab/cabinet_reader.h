// Reading the structures of a cabinet through the context's two handles, with their checks.
#pragma once

#include <cstdint>

#include "cab/decoder_context.h"

namespace tamrix {

// Reads a NUL-terminated name of at most 255 bytes into a kNameBufferSize buffer and leaves the
// handle just past its NUL.
bool readNameString(CabinetDecoder* decoder, int32_t handle, char* buffer);

// With both handles open on a cabinet: reads and checks its fixed header (against the wanted set
// id and index unless index is kAnyCabinetIndex), the reserve areas and the names, learns the
// layout, finds the folder table and moves listHandle to the file table.
bool readCabinetHeader(CabinetDecoder* decoder, uint16_t setId, uint16_t cabinetIndex);

// Reads the next file entry (16 fixed bytes and the name) through listHandle.
bool readFileEntry(CabinetDecoder* decoder);

// Reads folder entry `index` through dataHandle and moves dataHandle to its first block.
bool readFolderEntry(CabinetDecoder* decoder, uint16_t index);

// Reads one data block (or one part of a split block) into the input buffer at partOffset and
// checks its checksum; the context then describes the whole block read so far.
bool readBlockPart(CabinetDecoder* decoder, uint32_t partOffset);

inline uint16_t headerField16(const CabinetDecoder* decoder, uint32_t offset) {
    return load16(decoder->header + offset);
}

}  // namespace tamrix
