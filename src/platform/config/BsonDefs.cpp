#include "platform/config/BsonDefs.h"

namespace bson {

bool tryFromJson(const std::string& text, BSONObj& out, std::string* error)
{
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
