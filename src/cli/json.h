// JSON for the scripts that read quillox-note's reports.
#pragma once

#include <cstdint>

#include "storage/buffer.h"

namespace cli {

// `text` as a JSON string literal. Bytes that are not UTF-8 (a path in an ANSI code page) stand
// for the characters U+0080..U+00FF, so that the output is always valid JSON.
String jsonString(const String& text);

// One JSON object, its fields in the order they are added.
class JsonObject {
public:
    JsonObject& text(const char* key, const String& value) { return raw(key, jsonString(value)); }
    JsonObject& number(const char* key, std::int64_t value) {
        return raw(key, std::to_string(value));
    }
    JsonObject& flag(const char* key, bool value) { return raw(key, value ? "true" : "false"); }
    JsonObject& raw(const char* key, const String& json);
    String str() const { return "{" + fields_ + "}"; }

private:
    String fields_;
};

}  // namespace cli
