#include "platform/config/BsonDefs.h"

namespace bson {

bool tryFromJson(const std::string& text, BSONObj& out, std::string* error)
{
    // The driver reads an empty text as an empty object; for stored
    // parameters an empty text is missing data, not an object.
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        if (error)
            *error = "empty JSON text";
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
