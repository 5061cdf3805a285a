#pragma once

// JSON values as mv2mgr-cli prints them: an object's names in byte order,
// four spaces a level, one line each, the text valid UTF-8.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct Json {
    using Object = std::map<std::string, Json>;
    using Array = std::vector<Json>;
    enum class Kind { Null, Bool, Number, Text, Object, Array };

    Json() = default;
    Json(bool b) : kind(Kind::Bool), flag(b) {}
    Json(int n) : kind(Kind::Number), number(n) {}
    Json(std::int64_t n) : kind(Kind::Number), number(n) {}
    Json(std::string text) : kind(Kind::Text), text(std::move(text)) {}
    Json(const char* text) : kind(Kind::Text), text(text) {}
    Json(Object object) : kind(Kind::Object), object(std::move(object)) {}
    Json(Array array) : kind(Kind::Array), array(std::move(array)) {}

    Kind kind = Kind::Null;
    bool flag = false;
    std::int64_t number = 0;
    std::string text;
    Object object;
    Array array;
};

// The document, ending with a line break.
std::string JsonText(const Json& document);
