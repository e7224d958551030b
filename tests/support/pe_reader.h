// A small reader for PE32 images, for checks on the built stub: headers, sections, data
// directories, the import table and the resource tree. Every read is bounds-checked; a malformed
// image gives ok() == false, empty lists or null, never a read outside the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamrix::test {

struct PeSection {
    std::string name;
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
};

struct PeImportedDll {
    std::string name;
    std::vector<std::string> names;  // entries imported by name
    std::vector<uint16_t> ordinals;  // entries imported by ordinal
};

// One leaf of the resource tree. Only numeric ids are kept; a named level gives kNamed.
struct PeResource {
    static constexpr uint32_t kNamed = 0xFFFFFFFF;
    uint32_t type = 0;
    uint32_t name = 0;
    uint32_t language = 0;
    uint32_t codePage = 0;
    std::vector<uint8_t> data;
};

enum PeDirectory : int {
    kImportDirectory = 1,
    kResourceDirectory = 2,
    kLoadConfigDirectory = 10,
};

class PeReader {
  public:
    explicit PeReader(std::vector<uint8_t> image);

    bool ok() const { return ok_; }
    uint16_t machine() const { return machine_; }
    uint16_t optionalMagic() const { return optionalMagic_; }
    uint16_t subsystem() const { return subsystem_; }
    uint16_t dllCharacteristics() const { return dllCharacteristics_; }
    uint32_t imageBase() const { return imageBase_; }
    const std::vector<PeSection>& sections() const { return sections_; }

    struct Directory {
        uint32_t rva = 0;
        uint32_t size = 0;
    };
    Directory directory(int index) const;

    // The file bytes behind [rva, rva + size), or null when they are not all in one section's raw
    // data.
    const uint8_t* at(uint32_t rva, uint32_t size) const;

    // The import directory, in table order; empty when there is none or it is malformed.
    std::vector<PeImportedDll> imports() const;
    // Every leaf of the resource tree (type / name / language).
    std::vector<PeResource> resources() const;

  private:
    std::string stringAt(uint32_t rva) const;  // NUL-terminated, within one section
    void walkResources(uint32_t offset, int level, uint32_t ids[2],
                       std::vector<PeResource>& out) const;

    std::vector<uint8_t> image_;
    bool ok_ = false;
    uint16_t machine_ = 0;
    uint16_t optionalMagic_ = 0;
    uint16_t subsystem_ = 0;
    uint16_t dllCharacteristics_ = 0;
    uint32_t imageBase_ = 0;
    std::vector<Directory> directories_;
    std::vector<PeSection> sections_;
};

// The first resource with this type, name and language, or null.
const PeResource* findResource(const std::vector<PeResource>& resources, uint32_t type,
                               uint32_t name, uint32_t language);

}  // namespace tamrix::test
