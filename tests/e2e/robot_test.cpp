#include "input.h"
#include "script.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::string error;
    EXPECT_TRUE(splitwords(text, out, error)) << error;
    return out;
}

TEST(ScriptTest, QuotedWordsKeepBackslashesBlanksAndDoubledQuotes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(words("101 \"C:\\WIDGET\\bin\"\t\"\""), (V{"101", "C:\\WIDGET\\bin", ""}));
    EXPECT_EQ(words("\"say \"\"hi\"\" twice\" x"), (V{"say \"hi\" twice", "x"}));
    EXPECT_EQ(words("  \"  padded  \"  "), (V{"  padded  "}));
    EXPECT_EQ(words("a\"b"), (V{"a\"b"})); // a quote inside a bare word is plain text
}

TEST(ScriptTest, BrokenQuotingIsRejected) {
    std::vector<std::string> out;
    std::string error;
    EXPECT_FALSE(splitwords("expect \"open", out, error));
    EXPECT_FALSE(splitwords("\"ends\"\"", out, error));
    EXPECT_FALSE(splitwords("\"closed\"glued", out, error));
}

TEST(ScriptTest, StepKeepsTheRawRestForHostCommands) {
    Step step;
    parsestep("  run-host printf 'a\"b' > \"x y\"  \r", 4, step);
    EXPECT_EQ(step.line, 4);
    EXPECT_EQ(step.verb, "run-host");
    EXPECT_EQ(step.rest, "printf 'a\"b' > \"x y\"");
    parsestep("wait-exit", 5, step);
    EXPECT_EQ(step.verb, "wait-exit");
    EXPECT_EQ(step.rest, "");
    for (const char* empty : {"", "   \t", "# click 102", "   # indented comment"}) {
        parsestep(empty, 1, step);
        EXPECT_EQ(step.verb, "") << empty;
    }
}

TEST(KeyTest, NamesAndModifiers) {
    KeyChord chord;
    ASSERT_TRUE(parsechord("shift+Tab", chord));
    EXPECT_EQ(chord.vk, VK_TAB);
    EXPECT_TRUE(chord.shift);
    EXPECT_FALSE(chord.ctrl || chord.alt);
    ASSERT_TRUE(parsechord("CTRL+ALT+q", chord));
    EXPECT_EQ(chord.vk, 'Q');
    EXPECT_TRUE(chord.ctrl && chord.alt && !chord.shift);
    ASSERT_TRUE(parsechord("ENTER", chord));
    EXPECT_EQ(chord.vk, VK_RETURN);
    ASSERT_TRUE(parsechord("7", chord));
    EXPECT_EQ(chord.vk, '7');
    ASSERT_TRUE(parsechord("F12", chord));
    EXPECT_EQ(chord.vk, VK_F12);
}

TEST(KeyTest, UnknownNamesAreRejected) {
    KeyChord chord;
    for (const char* bad : {"", "F0", "F13", "F1x", "META+TAB", "TAB+", "+", "TABS", "é"})
        EXPECT_FALSE(parsechord(bad, chord)) << bad;
}

} // namespace
