#include "platform/text.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

TEST(Text, Utf8RoundTripKeepsSpanishAndAstralCharacters) {
  const std::string samples[] = {"", "Aceptar", "Validación Total de Items", "€ 100", "\xF0\x9F\x98\x80"};
  for (const auto& s : samples) EXPECT_EQ(ToUtf8(FromUtf8(s)), s) << s;
  EXPECT_EQ(FromUtf8("Bot\xC3\xB3n"), u"Botón");
  EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80").size(), 2u);  // a surrogate pair
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xC3"), u"\uFFFD");            // cut short
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD");        // overlong
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD");    // encoded surrogate
  EXPECT_EQ(ToUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

TEST(Text, AcceleratorsAndCaseFreeComparison) {
  EXPECT_EQ(WithoutAccelerators(u"&Validar lo && ingresado"), u"Validar lo  ingresado");
  EXPECT_TRUE(EqualsIgnoringAsciiCase(u"BUTTON", u"Button"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase(u"Buttons", u"Button"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase(u"Botón", u"BOTÓN"));  // only ASCII folds
}

TEST(Text, CharacterClasses) {
  EXPECT_TRUE(IsLetter(u'a'));
  EXPECT_TRUE(IsLetter(u'Z'));
  EXPECT_FALSE(IsLetter(u'5'));
  EXPECT_FALSE(IsLetter(u'@'));
  EXPECT_TRUE(IsDigit(u'0'));
  EXPECT_FALSE(IsDigit(u'a'));
  EXPECT_TRUE(IsLetterOrDigit(u'7'));
  EXPECT_FALSE(IsLetterOrDigit(u' '));
}

}  // namespace
}  // namespace korvex
