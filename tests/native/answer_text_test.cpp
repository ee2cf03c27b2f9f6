// The text form of answer lists, and the two serializer registries.
#include "robot/key/answer_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/capture/recognition_error.h"
#include "robot/key/serializers.h"

namespace korvex {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// One readable line per interaction: its class, and its text or index.
std::vector<std::string> Lines(const OwnedAnswers& answers) {
  std::vector<std::string> out;
  for (const auto& a : answers) {
    std::string s = ToUtf8(a->RuntimeClassName());
    if (const auto* put = dynamic_cast<const CPutText*>(a.get())) s += " '" + ToUtf8(put->GetText()) + "'";
    if (const auto* sel = dynamic_cast<const CItemSelect*>(a.get())) s += " " + std::to_string(sel->GetIndex());
    out.push_back(s);
  }
  return out;
}

TEST(AnswerText, WritesAndReadsTheRecordsOfEachInteraction) {
  struct Case {
    std::vector<std::string> interactions;  // as Lines prints them
    Text text;
  };
  const Case cases[] = {
      {{}, u"0|"},
      {{"class CPressButton", "class CNullInteraction", "class CNullInteraction"},
       u"3|class CPressButton|class CNullInteraction|class CNullInteraction|"},
      {{"class CPutText ''"}, u"1|class CPutText|<>|"},
      {{"class CPutText 'a|b'"}, u"1|class CPutText|<>a\\x7cb|"},
      {{"class CPutText 'Cami\xc3\xb3n 20 \xe2\x82\xac'"},
       u"1|class CPutText|<>Cami\\xf3n 20 \\X20ac|"},
      {{"class CItemSelect 3", "class CPressButton"},
       u"2|class CItemSelect|3|class CPressButton|"},
      {{"class CItemSelect -1", "class CItemSelect -999", "class CItemSelect 2147483647"},
       u"3|class CItemSelect|4294967295|class CItemSelect|4294966297|"
       u"class CItemSelect|2147483647|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    const OwnedAnswers read = ReadAnswers(c.text);
    EXPECT_THAT(Lines(read), ElementsAreArray(c.interactions));
    EXPECT_EQ(WriteAnswers(AnswerList(read)), c.text);
  }
}

TEST(AnswerText, ReadsLegacyTextsAndLooseNumbers) {
  EXPECT_THAT(Lines(ReadAnswers(u" 2 |class CPutText|a[BAR]b|class CItemSelect|\t07 |")),
              ElementsAre("class CPutText 'a|b'", "class CItemSelect 7"));
}

// A typed text is as long as an edit takes and no longer: a stored answer
// cannot make the robot type megabytes into the host.
TEST(AnswerText, ATypedTextIsBoundedByWhatAnEditTakes) {
  const Text longest(kLongestTypedText, u'x');
  const OwnedAnswers read = ReadAnswers(u"1|class CPutText|<>" + longest + u"|");
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(dynamic_cast<const CPutText&>(*read[0]).GetText(), longest);
  for (const Text& text : {u"1|class CPutText|<>" + longest + u"x|",
                           // escaped, the text is counted as typed
                           u"1|class CPutText|<>" + longest + u"\\x41|",
                           u"1|class CPutText|<>" + Text(1u << 20, u'y') + u"|"}) {
    try {
      ReadAnswers(text);
      ADD_FAILURE() << "a text of " << text.size() << " characters was read";
    } catch (const RecognitionError& e) {
      EXPECT_EQ(e.code(), recognition_code::kUnknownInteraction);
    }
  }
}

TEST(AnswerText, RefusesAnythingButExactlyOneList) {
  const Text refused[] = {
      u"",
      u"0",
      u"x|",
      u"-1|",
      u"+1|class CPressButton|",
      u"4294967296|",
      u"4000000000|class CPressButton|",
      u"2|class CPressButton|",                          // fewer records than counted
      u"1|class CPressButton",                           // no final bar
      u"1|class CPressButton|class CPressButton|",       // a record too many
      u"0|x",                                            // text after the list
      u"2|class CNullInteraction|class CMetaButton|",     // not an interaction
      u"1|class CPressButtonEx|",
      u"1|class cpressbutton|",                          // names are exact
      u"1|class CPutText|",                              // text missing
      u"1|class CItemSelect||",
      u"1|class CItemSelect|-1|",
      u"1|class CItemSelect|4294967296|",
      u"1|class CItemSelect|3x|",
  };
  for (const auto& text : refused) {
    SCOPED_TRACE(ToUtf8(text));
    try {
      ReadAnswers(text);
      ADD_FAILURE() << "read";
    } catch (const RecognitionError& e) {
      EXPECT_EQ(e.code(), recognition_code::kUnknownInteraction);
    }
  }
}

TEST(SerializerRegistries, FindEverySerializerByItsExactClassName) {
  const auto& meta = MetaSerializerRegistry();
  EXPECT_EQ(meta.size(), 10u);
  const std::pair<const char16_t*, const char16_t*> meta_names[] = {
      {u"class CMetaButton", u"class CMetaButtonEx"}, {u"class CTextWindow", u"class CTextWindowEx"},
      {u"class CMetaList", u"class CMetaListEx"},     {u"class CMetaEdit", u"class CMetaEditEx"},
      {u"class CIconWindow", u"class CIconWindowEx"},
  };
  for (const auto& [base, ex] : meta_names) {
    SCOPED_TRACE(ToUtf8(base));
    const CMetaSerializerBase* serializer = meta.Lookup(base);
    ASSERT_NE(serializer, nullptr);
    EXPECT_EQ(serializer->ClassName(), base);
    EXPECT_EQ(meta.Lookup(ex), serializer);  // the rebuilt variant shares it
  }
  const auto& interactions = InteractionSerializerRegistry();
  EXPECT_EQ(interactions.size(), 4u);
  for (const char16_t* name : {u"class CNullInteraction", u"class CPressButton", u"class CPutText",
                               u"class CItemSelect"}) {
    ASSERT_NE(interactions.Lookup(name), nullptr);
    EXPECT_EQ(interactions.Lookup(name)->ClassName(), name);
  }
  for (const char16_t* missing : {u"class CDialogWindow", u"class cmetabutton", u"class CMetaButton ",
                                  u"CMetaButton", u""}) {
    EXPECT_EQ(meta.Lookup(missing), nullptr);
    EXPECT_EQ(interactions.Lookup(missing), nullptr);
  }
  // Built once: every call gives the same registry.
  EXPECT_EQ(&MetaSerializerRegistry(), &meta);
  EXPECT_EQ(&InteractionSerializerRegistry(), &interactions);
}

TEST(SerializerRegistries, ASerializerReadsOnlyItsOwnBaseClassName) {
  const CMetaSerializerBase& buttons = *MetaSerializerRegistry().Lookup(u"class CMetaButtonEx");
  FieldReader ex(u"class CMetaButtonEx|<>A|1|", recognition_code::kUnknownControlClass);
  EXPECT_EQ(buttons.Read(ex), nullptr);
  FieldReader text(u"class CTextWindow|<>A|", recognition_code::kUnknownControlClass);
  EXPECT_EQ(buttons.Read(text), nullptr);
  FieldReader base(u"class CMetaButton|<>A|1|", recognition_code::kUnknownControlClass);
  auto button = buttons.Read(base);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->RuntimeClassName(), u"class CMetaButtonEx");
  EXPECT_TRUE(base.AtEnd());

  // Written back under the base name, from the rebuilt object.
  Text out;
  SerializerOf(*button).Write(*button, out);
  EXPECT_EQ(out, u"class CMetaButton|<>A|1|");
  // A serializer given an object of another class refuses it.
  EXPECT_THROW(buttons.Write(CTextWindowEx(u"A"), out), std::invalid_argument);
}

}  // namespace
}  // namespace korvex
