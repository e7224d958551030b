#include "tools/info_report.h"

#include "tools/display_text.h"

namespace tamrix::tool {

std::string jsonString(const std::string& utf8) {
    return "\"" + jsonEscape(utf8) + "\"";
}

InfoReport::InfoReport(FILE* out, bool json) : out_(out), json_(json) {
    if (json_) {
        std::fputc('{', out_);
        first_.push_back(true);
    }
}

void InfoReport::put(const char* key, const std::string& line, const std::string& json) {
    if (!json_) {
        std::fprintf(out_, "%s%s: %s\n", prefix_.c_str(), key, line.c_str());
        return;
    }
    std::fprintf(out_, "%s%s: %s", first_.back() ? "" : ", ", jsonString(key).c_str(),
                 json.c_str());
    first_.back() = false;
}

void InfoReport::text(const char* key, const std::string& utf8) {
    put(key, escapeControls(utf8), jsonString(utf8));
}

void InfoReport::number(const char* key, uint64_t value) {
    std::string digits = std::to_string(value);
    put(key, digits, digits);
}

void InfoReport::flag(const char* key, bool value) {
    put(key, value ? "yes" : "no", value ? "true" : "false");
}

void InfoReport::literal(const char* key, const std::string& line, const std::string& json) {
    put(key, line, json);
}

void InfoReport::beginList(const char* key) {
    if (json_) {
        put(key, "", "[");
        first_.push_back(true);
        return;
    }
    prefix_ += std::string(key) + ".";
    items_.push_back(0);
}

void InfoReport::beginItem() {
    if (json_) {
        std::fputs(first_.back() ? "{" : ", {", out_);
        first_.back() = false;
        first_.push_back(true);
        return;
    }
    prefix_ += std::to_string(items_.back()++) + ".";
}

void InfoReport::endItem() {
    if (json_) {
        std::fputc('}', out_);
        first_.pop_back();
        return;
    }
    prefix_.erase(prefix_.rfind('.', prefix_.size() - 2) + 1);
}

void InfoReport::endList() {
    if (json_) {
        std::fputc(']', out_);
        first_.pop_back();
        return;
    }
    items_.pop_back();
    size_t dot = prefix_.rfind('.', prefix_.size() - 2);
    prefix_.erase(dot == std::string::npos ? 0 : dot + 1);
}

void InfoReport::finish() {
    if (json_) std::fputs("}\n", out_);
}

}  // namespace tamrix::tool
