#pragma once

// The BSON classes of the legacy MongoDB C++ driver, under the names the
// terminal uses. Include this header, never the driver's headers directly.
#include <mongo/bson/bson.h>
#include <mongo/db/json.h>

namespace bson {
using mongo::BSONArrayBuilder;
using mongo::BSONElement;
using mongo::BSONObj;
using mongo::BSONObjBuilder;
using mongo::BSONObjIterator;
using mongo::BSONType;
using mongo::fromjson;
using mongo::JsonStringFormat;
using mongo::Strict;

// Strict-mode JSON without indentation, the form persisted and logged.
inline std::string toJson(const BSONObj& o)
{
    return o.jsonString(mongo::Strict, 0);
}

// Parses strict or relaxed JSON; returns false (and leaves `out` alone) on
// malformed or empty text instead of throwing.
bool tryFromJson(const std::string& text, BSONObj& out, std::string* error = nullptr);
} // namespace bson
