#include "SwitchParser.h"

#include <gtest/gtest.h>

#include <mbctype.h>

#include <map>
#include <string>

namespace {

using Switches = std::map<std::string, std::string>;

// Every switch the parser holds, found by asking for each expected name and
// by checking that a few unexpected ones are absent.
void ExpectSwitches(const char* text, const Switches& expected)
{
    SCOPED_TRACE(text);
    SwitchParser parser(nullptr, false);
    parser.Parse(text);
    for (const auto& [name, value] : expected) {
        EXPECT_TRUE(parser.HasSwitch(name.c_str())) << name;
        ASSERT_NE(nullptr, parser.GetValue(name.c_str())) << name;
        EXPECT_EQ(value, parser.GetValue(name.c_str())) << name;
        EXPECT_EQ(!value.empty(), parser.HasValue(name.c_str())) << name;
    }
    for (const char* other : {"a", "b", "l", "p", "x", "y", "?", "", "-", "v"}) {
        if (!expected.count(other)) {
            EXPECT_FALSE(parser.HasSwitch(other)) << other;
            EXPECT_EQ(nullptr, parser.GetValue(other)) << other;
        }
    }
}

TEST(SwitchParserTest, TypicalCommandLines)
{
    ExpectSwitches("/?", {{"?", ""}});
    ExpectSwitches("/L:C:\\x.log /p:\"A=1 B=2\"", {{"l", "C:\\x.log"}, {"p", "A=1 B=2"}});
    ExpectSwitches("/a: /b", {{"a", ""}, {"b", ""}});
    ExpectSwitches("/a:1 /a:2", {{"a", "1"}});
    ExpectSwitches("/p:A=1 B=x-y", {{"p", "A=1"}, {"y", ""}});
    ExpectSwitches("/a/b", {{"a/b", ""}});
    ExpectSwitches("/p:\"open", {{"p", "open"}});
    ExpectSwitches("/:v /x:", {{"x", ""}});
    ExpectSwitches("/p:A=\"x y\"", {{"p", "A=\"x"}});
    ExpectSwitches("--x", {{"-x", ""}});
}

TEST(SwitchParserTest, ValuesAndSeparators)
{
    ExpectSwitches("/p:\"a b:c -d /e\" /x", {{"p", "a b:c -d /e"}, {"x", ""}});
    ExpectSwitches("/l:C:/a/b.log", {{"l", "C:/a/b.log"}});
    ExpectSwitches("/l", {{"l", ""}});
    ExpectSwitches("/l:", {{"l", ""}});
    ExpectSwitches("setup.exe", {});
    ExpectSwitches("", {});
    ExpectSwitches("/", {});
    ExpectSwitches("word-x", {{"x", ""}});
    ExpectSwitches("/m:\"C:\\My Files\\a.msi\" /o:out.exe", {{"m", "C:\\My Files\\a.msi"}, {"o", "out.exe"}});
}

// Build tools quote an argument with a space as a whole; the value then runs
// to the closing quote. Both forms, for the builder's and the stub's switches.
TEST(SwitchParserTest, PathsWithSpacesInEitherQuotingForm)
{
    ExpectSwitches("\"/s:C:\\Build\\Bars Skin.skf\" /m:\"C:\\My Files\\a-1.msi\" \"-o:C:\\x y\\s.exe\"",
                   {{"s", "C:\\Build\\Bars Skin.skf"}, {"m", "C:\\My Files\\a-1.msi"},
                    {"o", "C:\\x y\\s.exe"}});
    ExpectSwitches("/s:\"C:\\a b.skf\" \"/i:C:\\c d.ico\"", {{"s", "C:\\a b.skf"}, {"i", "C:\\c d.ico"}});
    ExpectSwitches("\"/l:C:\\My Logs\\x.log\" \"/p:A=1 B=2\"", {{"l", "C:\\My Logs\\x.log"}, {"p", "A=1 B=2"}});
    ExpectSwitches("/l:\"C:\\My Logs\\x.log\" /p:\"A=1 B=2\"", {{"l", "C:\\My Logs\\x.log"}, {"p", "A=1 B=2"}});
    ExpectSwitches("\"/?\" \"/a:\" /b", {{"?", ""}, {"a", ""}, {"b", ""}});
    ExpectSwitches("\"/p:open end", {{"p", "open end"}});
    ExpectSwitches("\"/x y:1\" /a:2", {{"x", ""}, {"a", "2"}});
}

TEST(SwitchParserTest, NamesIgnoreCaseUnlessAskedNotTo)
{
    SwitchParser parser("/P:Value", false);
    EXPECT_STREQ("Value", parser.GetValue("p"));
    EXPECT_STREQ("Value", parser.GetValue("P"));

    SwitchParser exact("/P:Value", true);
    EXPECT_STREQ("Value", exact.GetValue("P"));
    EXPECT_EQ(nullptr, exact.GetValue("p"));
}

TEST(SwitchParserTest, LaterParseForgetsEarlierSwitches)
{
    SwitchParser parser("/a:1 /b", false);
    parser.Parse("/c:3");
    EXPECT_FALSE(parser.HasSwitch("a"));
    EXPECT_FALSE(parser.HasSwitch("b"));
    EXPECT_STREQ("3", parser.GetValue("c"));
    parser.Parse(nullptr);
    EXPECT_STREQ("3", parser.GetValue("c"));
}

TEST(SwitchParserTest, CopyingGetValue)
{
    SwitchParser parser("/l:x.log /q", false);
    std::string out = "keep";
    EXPECT_FALSE(parser.GetValue("p", out));
    EXPECT_EQ("keep", out);
    EXPECT_TRUE(parser.GetValue("q", out));
    EXPECT_EQ("", out);
    EXPECT_TRUE(parser.GetValue("L", out));
    EXPECT_EQ("x.log", out);
}

TEST(SwitchParserTest, DoubleByteNamesKeepTheirTrailBytes)
{
    // In code page 932, 0x83 0x41 is one character whose second byte is 'A'.
    // Lower-casing byte by byte would turn it into another character.
    ASSERT_EQ(0, _setmbcp(932));
    SwitchParser parser("/\x83\x41:V /x", false);
    EXPECT_STREQ("V", parser.GetValue("\x83\x41"));
    EXPECT_EQ(nullptr, parser.GetValue("\x83\x61"));
    EXPECT_TRUE(parser.HasSwitch("X"));
    _setmbcp(_MB_CP_ANSI);
}

} // namespace
