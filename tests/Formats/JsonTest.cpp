// The JSON writer and the strict reader.

#include <gmock/gmock.h>

#include "Formats/Json.h"

using ::testing::HasSubstr;

namespace {

JsonValue Parsed(const std::string& text) {
    JsonValue value;
    std::string error;
    EXPECT_TRUE(ParseJson(text, value, error)) << error;
    return value;
}

std::string ParseError(const std::string& text) {
    JsonValue value;
    std::string error;
    EXPECT_FALSE(ParseJson(text, value, error)) << text;
    return error;
}

}  // namespace

TEST(Json, StringsSurviveAWriteAndARead) {
    const std::string texts[] = {
        "plain",
        "quote \" backslash \\ slash /",
        "tab\tline\nreturn\r",
        std::string("nul\0x", 5),
        "\x01\x1F",
        "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
    };
    for (const std::string& text : texts) {
        JsonValue array = JsonValue::Array();
        array.Append(JsonValue::String(text));
        const std::string written = WriteJson(array);
        for (char c : written) {
            EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n') << written;
        }
        EXPECT_EQ(Parsed(written).Items().at(0).AsString(), text);
    }
}

TEST(Json, TheWriterNeverProducesInvalidText) {
    JsonValue object = JsonValue::Object();
    object.Set("bad utf-8", JsonValue::String("a\xC3\x28z\xFF"));
    object.Set("not finite", JsonValue::Number(1.0 / 0.0));
    object.Set("bad utf-8", JsonValue::String("\xED\xA0\x80"));  // replaces, never repeats a key
    const std::string written = WriteJson(object);
    const JsonValue read = Parsed(written);
    EXPECT_EQ(read.Members().size(), 2u);
    EXPECT_EQ(read.Find("bad utf-8")->AsString(), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(read.Find("not finite")->IsNull());
}

TEST(Json, NumbersAreExactAndIgnoreTheLocale) {
    EXPECT_EQ(FormatJsonNumber(4294967295.0), "4294967295");
    EXPECT_EQ(FormatJsonNumber(-2147483648.0), "-2147483648");
    EXPECT_EQ(FormatJsonNumber(0.1), "0.1");
    EXPECT_EQ(Parsed("[-0.5e2]").Items()[0].AsNumber(), -50);
    EXPECT_EQ(Parsed(" 1E+2 ").AsNumber(), 100);
    EXPECT_EQ(Parsed("0.30000000000000004").AsNumber(), 0.1 + 0.2);
}

TEST(Json, NestedContainersKeepTheirOrder) {
    const JsonValue value = Parsed(R"({"b": [1, {"c": null}, true], "a": {}, "": false})");
    ASSERT_EQ(value.Members().size(), 3u);
    EXPECT_EQ(value.Members()[0].first, "b");
    EXPECT_TRUE(value.Find("b")->Items()[1].Find("c")->IsNull());
    EXPECT_TRUE(value.Find("a")->IsObject());
    EXPECT_FALSE(value.Find("")->AsBool());
    // Containers of scalars stay on one line; the others spread out.
    EXPECT_EQ(WriteJson(value),
              "{\n  \"b\": [\n    1,\n    {\"c\": null},\n    true\n  ],\n  \"a\": {},\n"
              "  \"\": false\n}\n");
}

TEST(Json, TheReaderRefusesEverythingOutsideTheGrammar) {
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {"", "the text ends early: a value was expected"},
        {"[1,]", "unexpected character"},
        {"[1", "the text ends early: ',' or ']'"},
        {"{\"a\":1,}", "member name"},
        {"{\"a\" 1}", "':'"},
        {"{\"a\":1 \"b\":2}", "',' or '}'"},
        {"[1 2]", "',' or ']'"},
        {"{\"a\":1,\"a\":2}", "occurs twice"},
        {"01", "unexpected text"},
        {"1.", "decimal point"},
        {".5", "unexpected character"},
        {"1e", "exponent"},
        {"+1", "unexpected character"},
        {"1e999", "out of range"},
        {"NaN", "unexpected character"},
        {"tru", "unknown word"},
        {"\"a\tb\"", "control character"},
        {"\"\\x\"", "unknown escape"},
        {"\"\\u12\"", "incomplete"},
        {"\"\\uD800\"", "high surrogate"},
        {"\"\\uDC00\"", "low surrogate"},
        {"\"abc", "a string is not closed"},
        {"\"\xC0\xAF\"", "not valid UTF-8"},          // overlong
        {"\"\xED\xA0\x80\"", "not valid UTF-8"},      // encoded surrogate
        {"\"\xF4\x90\x80\x80\"", "not valid UTF-8"},  // past U+10FFFF
        {"\"\xE2\x82\"", "not valid UTF-8"},          // cut short
        {"[1] // comment", "unexpected text"},
        {std::string(kMaxJsonDepth + 2, '['), "nested too deeply"},
    };
    for (const auto& bad : cases) {
        EXPECT_THAT(ParseError(bad.text), HasSubstr(bad.message)) << bad.text;
    }
    EXPECT_EQ(Parsed("\"\\uD83D\\uDE00\"").AsString(), "\xF0\x9F\x98\x80");
    EXPECT_EQ(
        Parsed(std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']')).Items().size(),
        1u);
}

TEST(Json, ErrorsNameTheLineAndColumn) {
    EXPECT_THAT(ParseError("{\n  \"a\": 1,\n  \"a\": 2\n}"),
                HasSubstr("line 3, column 3: a member name occurs twice"));
}
