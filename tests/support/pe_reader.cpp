#include "tests/support/pe_reader.h"

#include <cstring>

#include "codecs/little_endian.h"

namespace tamrix::test {

namespace {

bool fits(size_t total, uint64_t offset, uint64_t size) {
    return offset <= total && size <= total - offset;
}

constexpr size_t kMaxImports = 256;  // DLLs, and entries per DLL
constexpr size_t kMaxResourceLeaves = 4096;

}  // namespace

PeReader::PeReader(std::vector<uint8_t> image) : image_(std::move(image)) {
    const size_t size = image_.size();
    if (!fits(size, 0, 0x40) || image_[0] != 'M' || image_[1] != 'Z') return;
    uint32_t pe = load32(&image_[0x3C]);
    if (!fits(size, pe, 24) || std::memcmp(&image_[pe], "PE\0\0", 4) != 0) return;
    machine_ = load16(&image_[pe + 4]);
    uint16_t sectionCount = load16(&image_[pe + 6]);
    uint16_t optionalSize = load16(&image_[pe + 20]);
    uint64_t optional = uint64_t(pe) + 24;
    if (optionalSize < 96 || !fits(size, optional, optionalSize)) return;
    const uint8_t* header = &image_[optional];
    optionalMagic_ = load16(header);
    if (optionalMagic_ != 0x10B) return;  // PE32 only
    imageBase_ = load32(header + 28);
    subsystem_ = load16(header + 68);
    dllCharacteristics_ = load16(header + 70);
    uint32_t directoryCount = load32(header + 92);
    for (uint32_t i = 0; i < directoryCount && i < 16 && 96 + 8 * (i + 1) <= optionalSize; ++i) {
        directories_.push_back({load32(header + 96 + 8 * i), load32(header + 100 + 8 * i)});
    }
    uint64_t table = optional + optionalSize;
    if (!fits(size, table, uint64_t(sectionCount) * 40)) return;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const uint8_t* entry = &image_[table + 40 * i];
        PeSection section;
        const char* name = reinterpret_cast<const char*>(entry);
        section.name.assign(name, strnlen(name, 8));
        section.virtualSize = load32(entry + 8);
        section.virtualAddress = load32(entry + 12);
        section.rawSize = load32(entry + 16);
        section.rawOffset = load32(entry + 20);
        sections_.push_back(section);
    }
    ok_ = true;
}

PeReader::Directory PeReader::directory(int index) const {
    if (index < 0 || size_t(index) >= directories_.size()) return {};
    return directories_[index];
}

const uint8_t* PeReader::at(uint32_t rva, uint32_t size) const {
    for (const PeSection& section : sections_) {
        // Only the bytes present in the file: raw data, cut at the virtual size when it is set.
        uint32_t present = section.rawSize;
        if (section.virtualSize && section.virtualSize < present) present = section.virtualSize;
        if (rva < section.virtualAddress || rva - section.virtualAddress >= present) continue;
        uint32_t inside = rva - section.virtualAddress;
        if (size > present - inside) return nullptr;
        uint64_t offset = uint64_t(section.rawOffset) + inside;
        if (!fits(image_.size(), offset, size)) return nullptr;
        return image_.data() + offset;
    }
    return nullptr;
}

std::string PeReader::stringAt(uint32_t rva) const {
    std::string text;
    for (uint32_t i = 0; i < 1024; ++i) {
        const uint8_t* c = at(rva + i, 1);
        if (!c || !*c) return c ? text : std::string();
        text.push_back(char(*c));
    }
    return {};
}

std::vector<PeImportedDll> PeReader::imports() const {
    std::vector<PeImportedDll> dlls;
    Directory dir = directory(kImportDirectory);
    if (!dir.rva) return dlls;
    for (uint32_t i = 0; i < kMaxImports; ++i) {
        const uint8_t* descriptor = at(dir.rva + 20 * i, 20);
        if (!descriptor) return {};
        uint32_t lookup = load32(descriptor);
        uint32_t nameRva = load32(descriptor + 12);
        uint32_t thunks = load32(descriptor + 16);
        if (!lookup && !nameRva && !thunks) break;  // the all-zero end entry
        PeImportedDll dll;
        dll.name = stringAt(nameRva);
        uint32_t table = lookup ? lookup : thunks;
        for (uint32_t j = 0; j < kMaxImports; ++j) {
            const uint8_t* slot = at(table + 4 * j, 4);
            if (!slot) return {};
            uint32_t value = load32(slot);
            if (!value) break;
            if (value & 0x80000000u) {
                dll.ordinals.push_back(uint16_t(value));
            } else {
                dll.names.push_back(stringAt(value + 2));  // after the hint
            }
        }
        dlls.push_back(std::move(dll));
    }
    return dlls;
}

std::vector<PeResource> PeReader::resources() const {
    std::vector<PeResource> out;
    uint32_t ids[2] = {};
    if (directory(kResourceDirectory).rva) walkResources(0, 0, ids, out);
    return out;
}

// Levels: 0 type, 1 name, 2 language, and no deeper; offsets are relative to the resource
// directory's start.
void PeReader::walkResources(uint32_t offset, int level, uint32_t ids[2],
                             std::vector<PeResource>& out) const {
    const uint32_t base = directory(kResourceDirectory).rva;
    const uint8_t* table = at(base + offset, 16);
    if (!table) return;
    uint32_t count = uint32_t(load16(table + 12)) + load16(table + 14);
    for (uint32_t i = 0; i < count && out.size() < kMaxResourceLeaves; ++i) {
        const uint8_t* entry = at(base + offset + 16 + 8 * i, 8);
        if (!entry) return;
        uint32_t nameField = load32(entry);
        uint32_t target = load32(entry + 4);
        uint32_t id = (nameField & 0x80000000u) ? PeResource::kNamed : nameField;
        bool subdirectory = target & 0x80000000u;
        if (level < 2) {
            if (!subdirectory) continue;
            ids[level] = id;
            walkResources(target & 0x7FFFFFFFu, level + 1, ids, out);
            continue;
        }
        if (subdirectory) continue;
        const uint8_t* leaf = at(base + target, 16);
        if (!leaf) continue;
        PeResource resource;
        resource.type = ids[0];
        resource.name = ids[1];
        resource.language = id;
        resource.codePage = load32(leaf + 8);
        uint32_t size = load32(leaf + 4);
        if (const uint8_t* data = at(load32(leaf), size)) resource.data.assign(data, data + size);
        out.push_back(std::move(resource));
    }
}

const PeResource* findResource(const std::vector<PeResource>& resources, uint32_t type,
                               uint32_t name, uint32_t language) {
    for (const PeResource& resource : resources) {
        if (resource.type == type && resource.name == name && resource.language == language) {
            return &resource;
        }
    }
    return nullptr;
}

}  // namespace tamrix::test
