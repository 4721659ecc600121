#include "platform/config/BsonDefs.h"

namespace bson {

namespace {
// The driver's parser recurses once per nesting level and overflows the
// stack on deeply nested text; stored parameters nest a few levels.
constexpr int kMaxJsonDepth = 100;

bool nestedTooDeep(const std::string& text)
{
    int depth = 0;
    bool inString = false;
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == quote)
                inString = false;
        } else if (c == '"' || c == '\'') {
            inString = true;
            quote = c;
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxJsonDepth)
                return true;
        } else if ((c == '}' || c == ']') && depth > 0) {
            --depth;
        }
    }
    return false;
}
} // namespace

bool tryFromJson(const std::string& text, BSONObj& out, std::string* error)
{
    // The driver reads an empty text as an empty object; for stored
    // parameters an empty text is missing data, not an object.
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        if (error)
            *error = "empty JSON text";
        return false;
    }
    if (nestedTooDeep(text)) {
        if (error)
            *error = "JSON text nested too deeply";
        return false;
    }
    try {
        out = mongo::fromjson(text).getOwned();
        return true;
    } catch (const std::exception& e) {
        if (error)
            *error = e.what();
        return false;
    }
}

} // namespace bson
