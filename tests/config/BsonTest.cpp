#include <gtest/gtest.h>

#include "platform/config/BsonDefs.h"

TEST(Bson, StrictTextRoundTrips)
{
    bson::BSONObjBuilder b;
    b.append("version", 3);
    b.append("name", "主图");
    b.append("ratio", 0.25);
    b.append("flag", true);
    bson::BSONArrayBuilder arr;
    arr.append(10001);
    arr.append(10002);
    b.append("positionkey", arr.arr());
    bson::BSONObjBuilder sub;
    sub.append("MA", "5,10,20");
    b.append("periodIndexes", sub.obj());
    const bson::BSONObj o = b.obj();

    const std::string text = bson::toJson(o);
    EXPECT_EQ(text.find('\n'), std::string::npos); // no indentation
    const bson::BSONObj back = bson::fromjson(text);
    EXPECT_EQ(back.woCompare(o), 0);
    EXPECT_EQ(bson::toJson(back), text);
    EXPECT_EQ(back.getIntField("version"), 3);
    EXPECT_EQ(std::string(back.getStringField("name")), "主图");
    EXPECT_EQ(back["positionkey"].Array().size(), 2u);
    EXPECT_EQ(back["periodIndexes"].Obj().getStringField("MA"), std::string("5,10,20"));
}

TEST(Bson, MalformedTextFailsCleanly)
{
    for (const char* bad : {"{a:", "{\"a\": }", "not json", "{\"a\": [1, 2}", ""}) {
        bson::BSONObj out = BSON("keep" << 1);
        std::string error;
        EXPECT_FALSE(bson::tryFromJson(bad, out, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_EQ(out.getIntField("keep"), 1) << bad;
    }
    EXPECT_ANY_THROW(bson::fromjson("{a:"));
    bson::BSONObj ok;
    EXPECT_TRUE(bson::tryFromJson("{\"a\": 1}", ok));
    EXPECT_EQ(ok.getIntField("a"), 1);
}

TEST(Bson, DeeplyNestedTextIsRefusedInsteadOfOverflowingTheStack)
{
    const std::string deep = "{\"a\": " + std::string(300000, '[') + std::string(300000, ']') + "}";
    bson::BSONObj out;
    std::string error;
    EXPECT_FALSE(bson::tryFromJson(deep, out, &error));
    EXPECT_FALSE(error.empty());
    // Brackets inside strings are text, not nesting.
    EXPECT_TRUE(bson::tryFromJson("{\"a\": \"" + std::string(1000, '[') + "\", \"b\": [[1]]}", out));
    EXPECT_EQ(out["b"].Array().size(), 1u);
}
