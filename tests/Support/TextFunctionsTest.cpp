#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "TextFunctions.h"

TEST(SafeCopy, CopiesAtMostSizeMinusOneAndTerminates) {
  char buffer[32];
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_EQ(SafeCopy(buffer, "ABCDEFGHIJKLMNOPQRST", 8), buffer);
  EXPECT_STREQ(buffer, "ABCDEFG");
  EXPECT_EQ(buffer[8], 'z');  // nothing written at or past size

  SafeCopy(buffer, "EGLL", 5);
  EXPECT_STREQ(buffer, "EGLL");

  std::memset(buffer, 'z', sizeof buffer);
  SafeCopy(buffer, "ab", 6);
  EXPECT_EQ(std::string(buffer, 6), std::string("ab\0\0\0\0", 6));  // zero-filled
}

TEST(SafeCopy, NullArgumentsAndOddSizesDoNothing) {
  char buffer[4] = {'q', 'q', 'q', 'q'};
  EXPECT_EQ(SafeCopy(nullptr, "x", 4), nullptr);
  EXPECT_EQ(SafeCopy(buffer, nullptr, 4), nullptr);
  EXPECT_EQ(SafeCopy(buffer, "x", -1), nullptr);
  EXPECT_EQ(SafeCopy(buffer, "x", 0), buffer);
  EXPECT_EQ(buffer[0], 'q');
  // A source without a terminator within size is never read past size - 1.
  const char unterminated[3] = {'a', 'b', 'c'};
  SafeCopy(buffer, unterminated, 3);
  EXPECT_STREQ(buffer, "ab");
}

TEST(SafeFormat, ReportsLengthOrMinusOneLikeTheBoundedFormatter) {
  char buffer[10];
  EXPECT_EQ(SafeFormat(buffer, 10, "%s", "123456789012345"), -1);
  EXPECT_STREQ(buffer, "123456789");
  EXPECT_EQ(SafeFormat(buffer, 10, "%s", "1234567890"), 10);
  EXPECT_STREQ(buffer, "123456789");
  EXPECT_EQ(SafeFormat(buffer, 10, "%s", "123456789"), 9);
  EXPECT_STREQ(buffer, "123456789");
  EXPECT_EQ(SafeFormat(nullptr, 10, "%d", 1), 0);
}

TEST(SafeFormat, DecimalPointIgnoresTheProcessLocale) {
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (german == nullptr) german = std::setlocale(LC_ALL, "de_DE");
  if (german == nullptr) GTEST_SKIP() << "no comma-decimal locale installed on this machine";
  char buffer[64];
  SafeFormat(buffer, sizeof buffer, "%f,%6.1f", 51.4775, 12.5);
  EXPECT_STREQ(buffer, "51.477500,  12.5");
  EXPECT_DOUBLE_EQ(TextToDouble("12.5"), 12.5);
  std::setlocale(LC_ALL, "C");
}

TEST(TextToDouble, ReadsLikeAtof) {
  EXPECT_DOUBLE_EQ(TextToDouble("  -3.25xyz"), -3.25);
  EXPECT_DOUBLE_EQ(TextToDouble("abc"), 0.0);
  EXPECT_DOUBLE_EQ(TextToDouble(nullptr), 0.0);
}

TEST(InPlaceCleaning, CutsSkipsAndRemoves) {
  char text[] = "Use Log\tFile = TRUE\nrest";
  EXPECT_STREQ(CutAtNewline(text), "Use Log\tFile = TRUE");
  char spaces[] = "  \tx y";
  EXPECT_STREQ(SkipLeadingSpaces(spaces), "\tx y");  // tabs are not skipped
  EXPECT_STREQ(RemoveSpaces(spaces), "\txy");        // tabs stay
  EXPECT_STREQ(TabsToSpaces(spaces), " xy");
  char list[] = "a=b=c";
  EXPECT_STREQ(CutAtChar(list, '='), "a");
  char none[] = "abc";
  EXPECT_STREQ(CutAtChar(none, '='), "abc");
  EXPECT_EQ(RemoveSpaces(nullptr), nullptr);
}

TEST(SameIgnoringSpaces, IgnoresBlanksButNotLetterCase) {
  EXPECT_TRUE(SameIgnoringSpaces("A 330", "A330"));
  EXPECT_TRUE(SameIgnoringSpaces(" EG LL ", "EGLL"));
  EXPECT_FALSE(SameIgnoringSpaces("a330", "A330"));
  EXPECT_FALSE(SameIgnoringSpaces("A33", "A330"));
  EXPECT_TRUE(SameIgnoringSpaces("", "    "));
  EXPECT_FALSE(SameIgnoringSpaces(nullptr, ""));
}

TEST(SameIgnoringSpaces, OnlyTheFirst999CharactersCount) {
  std::string a(999, 'x');
  std::string b = a + "DIFFERENT";
  EXPECT_TRUE(SameIgnoringSpaces(a.c_str(), b.c_str()));
  std::string c(998, 'x');
  EXPECT_FALSE(SameIgnoringSpaces(c.c_str(), b.c_str()));
}

TEST(Tokenise, SplitsARevisionStringIntoSevenTokens) {
  char text[] = "%Z% ConfigControl QM3103:02 ConfigFile $Revision: 1.3 $ ";
  char* tokens[16];
  ASSERT_EQ(Tokenise(text, " ", tokens), 7);
  const char* expected[] = {"%Z%",        "ConfigControl", "QM3103:02", "ConfigFile",
                            "$Revision:", "1.3",           "$"};
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(tokens[i], expected[i]);
  EXPECT_EQ(tokens[7], nullptr);
}

TEST(Tokenise, TextWithoutTokensGivesOneNullToken) {
  char blanks[] = "   ";
  char* tokens[4];
  EXPECT_EQ(Tokenise(blanks, " ", tokens), 1);
  EXPECT_EQ(tokens[0], nullptr);
  EXPECT_EQ(Tokenise(nullptr, " ", tokens), 0);
}

TEST(TokeniseMax, StopsAtTheMaximumWithTheNextTokenInTheLastSlot) {
  char text[] = "a|b||c|d|e";
  char* tokens[4];
  ASSERT_EQ(TokeniseMax(text, "|", tokens, 3), 3);
  EXPECT_STREQ(tokens[0], "a");
  EXPECT_STREQ(tokens[2], "c");
  EXPECT_STREQ(tokens[3], "d");
}
