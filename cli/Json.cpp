#include "cli/Json.h"

#include "image/MessageText.h"

namespace {

void Quoted(std::string& json, const std::string& text)
{
    static const char* const hex = "0123456789abcdef";
    json += '"';
    for (const char c : ShowableUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\b':
            json += "\\b";
            break;
        case '\f':
            json += "\\f";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (byte < 0x20) {
                json += "\\u00";
                json += hex[byte >> 4];
                json += hex[byte & 0xF];
            } else {
                json += c;
            }
        }
    }
    json += '"';
}

void Write(std::string& json, const Json& value, int level)
{
    const std::string indent(static_cast<std::size_t>(4 * level), ' ');
    const std::string inner(static_cast<std::size_t>(4 * (level + 1)), ' ');
    switch (value.kind) {
    case Json::Kind::Null:
        json += "null";
        break;
    case Json::Kind::Bool:
        json += value.flag ? "true" : "false";
        break;
    case Json::Kind::Number:
        json += std::to_string(value.number);
        break;
    case Json::Kind::Text:
        Quoted(json, value.text);
        break;
    case Json::Kind::Object:
        json += "{\n";
        for (auto it = value.object.begin(); it != value.object.end(); ++it) {
            json += inner;
            Quoted(json, it->first);
            json += ": ";
            Write(json, it->second, level + 1);
            json += std::next(it) == value.object.end() ? "\n" : ",\n";
        }
        json += indent + "}";
        break;
    case Json::Kind::Array:
        json += "[\n";
        for (std::size_t i = 0; i < value.array.size(); ++i) {
            json += inner;
            Write(json, value.array[i], level + 1);
            json += i + 1 == value.array.size() ? "\n" : ",\n";
        }
        json += indent + "]";
        break;
    }
}

} // namespace

std::string JsonText(const Json& document)
{
    std::string json;
    Write(json, document, 0);
    return json + "\n";
}
