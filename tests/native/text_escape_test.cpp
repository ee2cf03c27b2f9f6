// The escaping of text fields: the current "<>" form written by the key
// writer, its lenient decoding, and the legacy "[BAR]" form still read.
#include "robot/key/text_escape.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace korvex {
namespace {

struct EscapeCase {
  Text text;
  Text escaped;
};

struct DecodeCase {
  Text field;
  Text text;
};

TEST(TextEscape, EscapesEveryCharacterOutsidePlainPrintableAscii) {
  const EscapeCase cases[] = {
      {u"", u"<>"},
      {u"Aceptar", u"<>Aceptar"},
      {u"a|b", u"<>a\\x7cb"},
      {u"Botón", u"<>Bot\\xf3n"},
      {u"&Sí", u"<>&S\\xed"},
      {u"10 €", u"<>10 \\X20ac"},
      {u"\\", u"<>\\x5c"},
      {u"<>", u"<>\\x3c\\x3e"},
      {u"\"'", u"<>\\x22\\x27"},
      {u"\t\n\r", u"<>\\x09\\x0a\\x0d"},
      {Text(1, u'\0'), u"<>\\x00"},
      {u" ~", u"<> ~"},  // 0x20 and 0x7E stand as they are
      {u"\x7f\xa0\xff", u"<>\\x7f\\xa0\\xff"},
      {u"\u0100\uffff", u"<>\\X0100\\Xffff"},
      {u"中", u"<>\\X4e2d"},
      {u"[BAR]", u"<>[BAR]"},
      {u"Cancelar el  tratamiento", u"<>Cancelar el  tratamiento"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    EXPECT_EQ(EscapeText(c.text), c.escaped);
    EXPECT_EQ(UnescapeText(c.escaped), c.text);
    EXPECT_EQ(EscapeText(c.text).find(u'|'), Text::npos);
  }
}

TEST(TextEscape, DecodesTheCurrentFormLeniently) {
  const DecodeCase cases[] = {
      {u"<>", u""},
      {u"<>a\\qb", u"aqb"},           // a backslash before another character is dropped
      {u"<>\\x4", u"4"},              // too few digits: "\x" dropped, the rest read on
      {u"<>\\\\x41", u"\\x41"},       // "\\" is one backslash
      {u"<>\\x41", u"A"},
      {u"<>\\x4A\\x4a", u"JJ"},       // either case of hexadecimal digit
      {u"<>\\X20AC", u"€"},
      {u"<>\\X20a", u"20a"},          // three digits before the end
      {u"<>\\X20ag", u"20ag"},        // a non-digit among the four
      {u"<>\\xg1", u"g1"},
      {u"<>\\X", u""},
      {u"<>abc\\", u"abc"},           // a backslash that ends the field
      {u"<>\\\\\\", u"\\"},
      {u"<>\\|", u"|"},
      {u"<>[BAR]", u"[BAR]"},         // the legacy markers mean nothing here
      {u"<><>", u"<>"},
      {u"<>\\Xd800", Text(1, char16_t{0xD800})},  // any code unit, even a lone surrogate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.field));
    EXPECT_EQ(UnescapeText(c.field), c.text);
  }
}

TEST(TextEscape, ReadsTheLegacyFormLiterallyExceptForBars) {
  const DecodeCase cases[] = {
      {u"", u""},
      {u"Aceptar", u"Aceptar"},
      {u"A[BAR]B[_BAR]C", u"A|B[BAR]C"},
      {u"[BAR][BAR]", u"||"},
      {u"[_BAR][BAR]", u"[BAR]|"},
      {u"[BAR", u"[BAR"},
      {u"<", u"<"},
      {u"><", u"><"},
      {u"x<>y\\x41", u"x<>y\\x41"},  // "<>" only counts at the start
      {u"Seleccionar la opción marcada", u"Seleccionar la opción marcada"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.field));
    EXPECT_EQ(UnescapeText(c.field), c.text);
  }
}

TEST(TextEscape, EveryCodeUnitSurvivesEscaping) {
  Text all;
  for (char32_t c = 0; c <= 0xFFFF; ++c) all.push_back(static_cast<char16_t>(c));
  const Text escaped = EscapeText(all);
  EXPECT_EQ(std::count_if(escaped.begin(), escaped.end(),
                          [](char16_t c) { return c < 0x20 || c > 0x7E; }),
            0);
  EXPECT_EQ(escaped.find(u'|'), Text::npos);
  EXPECT_EQ(UnescapeText(escaped), all);
}

}  // namespace
}  // namespace korvex
