#include "pack/setting_keys.h"

namespace tamrix::pack {

const HeaderSettingKey* findHeaderSettingKey(const std::string& key) {
    for (const HeaderSettingKey& entry : kHeaderSettingKeys) {
        if (key == entry.key) return &entry;
    }
    return nullptr;
}

bool applyHeaderSetting(const HeaderSettingKey& entry, const std::string& value,
                        PackageSettings* settings, std::string* error) {
    if (entry.text) {
        settings->*entry.text = value;
        return true;
    }
    bool on = false;
    if (!parseFlag(value, &on)) {
        *error = std::string(entry.key) + " wants yes or no: '" + value + "'";
        return false;
    }
    settings->*entry.flag = on != entry.inverted;
    return true;
}

std::string headerSettingValue(const HeaderSettingKey& entry, const PackageSettings& settings) {
    if (entry.text) return settings.*entry.text;
    return settings.*entry.flag != entry.inverted ? "yes" : "no";
}

}  // namespace tamrix::pack
