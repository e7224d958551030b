// The header's settings under the names that `pack` options, `pack --from` files and
// `info --settings` all use, made from the header's field list (package_header_fields.inc).
#pragma once

#include <string>

#include "pack/package_settings.h"

namespace tamrix::pack {

struct HeaderSettingKey {
    const char* key;                     // option name without the dashes
    std::string PackageSettings::*text;  // a text setting, or null
    bool PackageSettings::*flag;         // a flag setting, or null
    bool inverted;                       // the key says "no-..." of the flag (which starts on)
};

// The texts, then the flags, each in header order: the order of info's report and settings file.
inline constexpr HeaderSettingKey kHeaderSettingKeys[] = {
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) \
    {key, &PackageSettings::name, nullptr, false},
#include "package/package_header_fields.inc"
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) \
    {key, nullptr, &PackageSettings::name, startsOn},
#include "package/package_header_fields.inc"
};

// The entry for key, or null when the key is no header setting.
const HeaderSettingKey* findHeaderSettingKey(const std::string& key);

// Applies a value to the setting (a flag takes yes/no and the like); false with a message when a
// flag's value is none of those.
bool applyHeaderSetting(const HeaderSettingKey& entry, const std::string& value,
                        PackageSettings* settings, std::string* error);

// The setting's value as `pack --from` reads it back ("yes"/"no" for flags).
std::string headerSettingValue(const HeaderSettingKey& entry, const PackageSettings& settings);

}  // namespace tamrix::pack
