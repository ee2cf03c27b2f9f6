// Profiles and their registry store, over the in-memory registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/profiles/profile_repository.h"
#include "tests/fakes/memory_registry.h"

namespace korvex {
namespace {

using testing::MemoryRegistry;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

const Text kStore = u"Software\\Norvane\\KORVEX\\Store";

// A current-form key of a two-button message box, and its two answers.
Text Key(TextView caption) {
  return u"class CDynWindow|<>" + Text(caption) +
         u"|4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|2|"
         u"class CMetaButton|<>Aceptar|1|class CMetaButton|<>Cancelar|1|";
}
const Text kPress = u"2|class CPressButton|class CNullInteraction|";
const Text kCancel = u"2|class CNullInteraction|class CPressButton|";

Text PathOf(TextView profile) { return kStore + u"\\" + Text(profile); }

class RecordingUi : public ProfileStoreUi {
 public:
  void ShowDeletionError(TextView caption, std::int32_t code) override {
    boxes.emplace_back(caption, code);
  }
  std::vector<std::pair<Text, std::int32_t>> boxes;
};

TEST(Profile, LookupsStoresAndRemovals) {
  CProfile profile(u"P");
  EXPECT_EQ(profile.GetCount(), 0u);
  EXPECT_THAT(profile.GetKeys(), IsEmpty());
  EXPECT_THAT(profile.GetValues(), IsEmpty());
  EXPECT_FALSE(profile.HasAnswer(u""));
  EXPECT_EQ(profile.GetAnswer(u"k"), u"");

  profile.SetAnswer(u"k", u"v1");
  profile.SetAnswer(u"k", u"v2");
  profile.SetAnswer(u"K", u"otro");  // letter case makes another key
  profile.SetAnswer(u"", u"vacía");  // an empty key is an ordinary key
  EXPECT_EQ(profile.GetCount(), 3u);
  EXPECT_EQ(profile.GetAnswer(u"k"), u"v2");
  const auto keys = profile.GetKeys();
  const auto values = profile.GetValues();
  ASSERT_EQ(keys.size(), values.size());
  for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(profile.GetAnswer(keys[i]), values[i]);

  profile.RemoveAnswer(u"k");
  profile.RemoveAnswer(u"absent");
  EXPECT_FALSE(profile.HasAnswer(u"k"));
  EXPECT_EQ(profile.GetAnswer(u"k"), u"");
  EXPECT_EQ(profile.GetCount(), 2u);
}

TEST(ProfileStore, EmptyStoreStartsNumberingAtOne) {
  MemoryRegistry registry;
  CProfileRepository repo(registry);
  EXPECT_TRUE(repo.GetProfiles().empty());
  EXPECT_EQ(repo.GetLastNumber(), 0);
  EXPECT_TRUE(registry.HasKey(kStore));
  repo.CreateProfile(u"A").SetAnswer(Key(u"x"), kPress);
  EXPECT_THAT(registry.Strings(PathOf(u"A")),
              ElementsAre(Pair(u"key1", Key(u"x")), Pair(u"value1", kPress)));
}

TEST(ProfileStore, NumbersContinueFromTheHighestStoredAcrossProfiles) {
  MemoryRegistry registry;
  registry.SetString(PathOf(u"A"), u"key3", Key(u"a3"));
  registry.SetString(PathOf(u"A"), u"value3", kPress);
  registry.SetString(PathOf(u"B"), u"key9", Key(u"b9"));
  registry.SetString(PathOf(u"B"), u"value9", kPress);
  registry.SetString(PathOf(u"A"), u"key4", Key(u"a4"));
  registry.SetString(PathOf(u"A"), u"value4", kCancel);
  CProfileRepository repo(registry);
  EXPECT_EQ(repo.GetLastNumber(), 9);
  ASSERT_NE(repo.FindProfile(u"A"), nullptr);
  EXPECT_EQ(repo.FindProfile(u"A")->GetCount(), 2u);
  repo.FindProfile(u"A")->SetAnswer(Key(u"nuevo"), kPress);
  EXPECT_THAT(registry.Strings(PathOf(u"A")).back(), Pair(Text(u"value10"), kPress));
}

TEST(ProfileStore, LoadKeepsOnlyWholeReadablePairs) {
  MemoryRegistry registry;
  const Text p = PathOf(u"P");
  registry.SetString(p, u"key5", Key(u"sin respuesta"));  // no value5
  registry.SetString(p, u"value6", kPress);                // no key6
  registry.SetString(p, u"key7", u"class CNoSuchWindow|x|");  // unreadable
  registry.SetString(p, u"value7", kPress);
  registry.SetRaw(p, u"key8", MakeDwordValue(8));  // not a string
  registry.SetString(p, u"value8", kPress);
  // Data written without the terminating NUL, and data with one.
  registry.SetString(p, u"key1", Key(u"sin NUL"));
  registry.SetString(p, u"value1", kPress);
  RegValue with_nul = MakeStringValue(Key(u"con NUL"));
  with_nul.data.push_back(0);
  with_nul.data.push_back(0);
  registry.SetRaw(p, u"key2", with_nul);
  registry.SetString(p, u"value2", kCancel);

  CProfileRepository repo(registry);
  const CProfile& profile = *repo.FindProfile(u"P");
  EXPECT_THAT(profile.GetKeys(), UnorderedElementsAre(Key(u"sin NUL"), Key(u"con NUL")));
  EXPECT_EQ(profile.GetAnswer(Key(u"con NUL")), kCancel);
  // Unreadable pairs stay in the registry, and their numbers are not handed
  // out again.
  EXPECT_EQ(registry.Strings(p).size(), 9u);
  EXPECT_EQ(repo.GetLastNumber(), 8);
}

// Answers of a shape the robot never stores (none or two presses, a typed
// text longer than an edit takes) are skipped at load like unreadable
// pairs, left in the store, and their numbers kept from new pairs.
TEST(ProfileStore, AStoredAnswerOfAnotherShapeIsSkippedLikeAnUnreadablePair) {
  MemoryRegistry registry;
  const Text p = PathOf(u"P");
  const Text input =
      u"class CDataInputWindow|<>Ingreso de dato complementario|4294967295|4294967295|0|1|2|"
      u"4294967295|3|class CMetaEdit|<>|class CMetaButton|<>Validar lo ingresado|1|"
      u"class CMetaButton|<>Terminar el tratamiento|1|";
  registry.SetString(p, u"key1", Key(u"bueno"));
  registry.SetString(p, u"value1", kPress);
  registry.SetString(p, u"key2", Key(u"sin pulsar"));
  registry.SetString(p, u"value2", u"2|class CNullInteraction|class CNullInteraction|");
  registry.SetString(p, u"key3", Key(u"dos pulsados"));
  registry.SetString(p, u"value3", u"2|class CPressButton|class CPressButton|");
  registry.SetString(p, u"key4", input);
  registry.SetString(p, u"value4", u"3|class CPutText|<>" + Text(40000, u'1') +
                                       u"|class CPressButton|class CNullInteraction|");
  CProfileRepository repo(registry);
  EXPECT_THAT(repo.FindProfile(u"P")->GetKeys(), ElementsAre(Key(u"bueno")));
  EXPECT_EQ(registry.Strings(p).size(), 8u);
  EXPECT_EQ(repo.GetLastNumber(), 4);
}

TEST(ProfileStore, LegacyPairIsNormalizedAtLoadAndStillFound) {
  MemoryRegistry registry;
  registry.SetString(PathOf(u"P"), u"key1",
                     u"class CDynWindow|Aviso[BAR]1|4294967295|4294967295|4294967295|4294967295|"
                     u"4294967295|4294967295|2|class CMetaButton|Aceptar|1|class CMetaButton|Cancelar|1|");
  registry.SetString(PathOf(u"P"), u"value1", u" 2 |class CPressButton|class CNullInteraction|");
  CProfileRepository repo(registry);
  const CProfile& profile = *repo.FindProfile(u"P");
  EXPECT_TRUE(profile.HasAnswer(Key(u"Aviso\\x7c1")));
  EXPECT_EQ(profile.GetAnswer(Key(u"Aviso\\x7c1")), kPress);
}

TEST(ProfileStore, AnswersSurviveARestartThroughStoreReplaceAndRemove) {
  MemoryRegistry registry;
  {
    CProfileRepository repo(registry);
    CProfile& a = repo.CreateProfile(u"A");
    CProfile& b = repo.CreateProfile(u"B");
    a.SetAnswer(Key(u"uno"), kPress);
    a.SetAnswer(Key(u"dos"), kPress);
    a.SetAnswer(Key(u"dos"), kCancel);     // replaced
    b.SetAnswer(Key(u"uno"), kCancel);     // same key in another profile
    a.RemoveAnswer(Key(u"uno"));          // removes A's pair only
    b.SetAnswer(Key(u"tres"), kPress);
    b.RemoveAnswer(Key(u"tres"));         // learned and removed in one run
    b.RemoveAnswer(Key(u"nunca"));        // nothing stored under it
  }
  // The replaced pair is gone from the store, not only superseded.
  EXPECT_THAT(registry.Strings(PathOf(u"A")),
              ElementsAre(Pair(u"key3", Key(u"dos")), Pair(u"value3", kCancel)));
  CProfileRepository again(registry);
  const CProfile& a = *again.FindProfile(u"A");
  const CProfile& b = *again.FindProfile(u"B");
  EXPECT_THAT(a.GetKeys(), ElementsAre(Key(u"dos")));
  EXPECT_EQ(a.GetAnswer(Key(u"dos")), kCancel);
  EXPECT_THAT(b.GetKeys(), ElementsAre(Key(u"uno")));
  EXPECT_EQ(b.GetAnswer(Key(u"uno")), kCancel);
  EXPECT_EQ(again.GetLastNumber(), 4);  // pair 5 was removed
  EXPECT_EQ(registry.OpenHandles(), 0);
}

TEST(ProfileStore, TheLaterOfTwoStoredPairsOfOneKeyWins) {
  MemoryRegistry registry;
  registry.SetString(PathOf(u"P"), u"key12", Key(u"k"));
  registry.SetString(PathOf(u"P"), u"value12", kCancel);
  registry.SetString(PathOf(u"P"), u"key3", Key(u"k"));
  registry.SetString(PathOf(u"P"), u"value3", kPress);
  CProfileRepository repo(registry);
  EXPECT_EQ(repo.FindProfile(u"P")->GetAnswer(Key(u"k")), kCancel);
}

// Stores written by older versions hold several pairs of one key in one
// profile: a replaced answer's pair was left behind, value names were
// numbered by hand ("007") or not at all ("abc"), and a legacy key and its
// current form are one key once normalized.  Every stored pair of the key
// goes when the answer is removed or replaced.
class OlderStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Text p = PathOf(u"P");
    registry.SetString(p, u"key3", Key(u"k"));
    registry.SetString(p, u"value3", kPress);
    registry.SetString(p, u"key7", Key(u"k"));
    registry.SetString(p, u"value7", kCancel);
    registry.SetString(p, u"key007", Key(u"k"));
    registry.SetString(p, u"value007", kCancel);
    registry.SetString(p, u"keyabc", Key(u"k"));
    registry.SetString(p, u"valueabc", kPress);
    registry.SetString(p, u"key2",
                       u"class CDynWindow|k|4294967295|4294967295|4294967295|4294967295|"
                       u"4294967295|4294967295|2|class CMetaButton|Aceptar|1|class CMetaButton|Cancelar|1|");  // legacy form
    registry.SetString(p, u"value2", kPress);
    registry.SetString(p, u"key1", Key(u"otra"));
    registry.SetString(p, u"value1", kPress);
  }
  // The values of P after a restart, and the answers loaded from them.
  std::vector<std::pair<Text, Text>> Stored() const { return registry.Strings(PathOf(u"P")); }
  std::vector<Text> KeysAfterRestart() {
    CProfileRepository again(registry);
    return again.FindProfile(u"P")->GetKeys();
  }

  MemoryRegistry registry;
};

TEST_F(OlderStoreTest, ARemovedAnswerNeverComesBack) {
  {
    CProfileRepository repo(registry);
    CProfile& profile = *repo.FindProfile(u"P");
    EXPECT_EQ(profile.GetAnswer(Key(u"k")), kCancel);  // the highest pair, 7
    profile.RemoveAnswer(Key(u"k"));
  }
  EXPECT_THAT(Stored(), ElementsAre(Pair(u"key1", Key(u"otra")), Pair(u"value1", kPress)));
  EXPECT_THAT(KeysAfterRestart(), ElementsAre(Key(u"otra")));
}

TEST_F(OlderStoreTest, AReplacedAnswerLeavesOnlyItsNewPair) {
  {
    CProfileRepository repo(registry);
    repo.FindProfile(u"P")->SetAnswer(Key(u"k"), kPress);
  }
  EXPECT_THAT(Stored(), ElementsAre(Pair(u"key1", Key(u"otra")), Pair(u"value1", kPress),
                                    Pair(u"key8", Key(u"k")), Pair(u"value8", kPress)));
  CProfileRepository again(registry);
  EXPECT_EQ(again.FindProfile(u"P")->GetAnswer(Key(u"k")), kPress);
}

TEST_F(OlderStoreTest, AFailedReplacementKeepsTheOldPairsUntilTheAnswerIsRemoved) {
  {
    CProfileRepository repo(registry);
    CProfile& profile = *repo.FindProfile(u"P");
    registry.FailCall("RegSetValueExW", 5, 2);  // the new pair's answers
    profile.SetAnswer(Key(u"k"), kPress);
    // Nothing of the old answer was deleted: the store still answers the
    // key as before, rather than not at all.
    EXPECT_EQ(Stored().size(), 13u);
    registry.ClearFailures();
    profile.RemoveAnswer(Key(u"k"));  // deletes the old pairs and the half-written new one
  }
  EXPECT_THAT(Stored(), ElementsAre(Pair(u"key1", Key(u"otra")), Pair(u"value1", kPress)));
}

TEST_F(OlderStoreTest, ADeletionThatFailsIsTriedAgainAtTheNextRemoval) {
  CProfileRepository repo(registry);
  CProfile& profile = *repo.FindProfile(u"P");
  registry.FailCall("RegDeleteValueW", 5, 3);  // the second pair's answers stay
  profile.RemoveAnswer(Key(u"k"));
  // An answer list without its key is no entry: the answer is gone already.
  EXPECT_EQ(Stored().size(), 3u);
  EXPECT_THAT(KeysAfterRestart(), ElementsAre(Key(u"otra")));
  registry.ClearFailures();
  profile.SetAnswer(Key(u"k"), kPress);
  profile.RemoveAnswer(Key(u"k"));
  EXPECT_THAT(Stored(), ElementsAre(Pair(u"key1", Key(u"otra")), Pair(u"value1", kPress)));
}

TEST(ProfileStore, NewPairsNeverTakeTheNumberOfAnUnreadableStoredPair) {
  MemoryRegistry registry;
  const Text p = PathOf(u"P");
  registry.SetString(p, u"key1", Key(u"uno"));
  registry.SetString(p, u"value1", kPress);
  registry.SetString(p, u"key2", u"class CNoSuchWindow|x|");  // a newer version's, say
  registry.SetString(p, u"value2", kPress);
  registry.SetString(p, u"value3", kCancel);  // without its key
  registry.SetRaw(p, u"key4", MakeDwordValue(4));
  {
    CProfileRepository repo(registry);
    EXPECT_EQ(repo.GetLastNumber(), 4);
    repo.FindProfile(u"P")->SetAnswer(Key(u"nuevo"), kCancel);
  }
  const auto stored = registry.Strings(p);
  EXPECT_THAT(stored, ::testing::Contains(Pair(u"key2", u"class CNoSuchWindow|x|")));
  EXPECT_THAT(stored, ::testing::Contains(Pair(u"value3", kCancel)));
  EXPECT_THAT(stored, ::testing::Contains(Pair(u"key5", Key(u"nuevo"))));
}

TEST(ProfileStore, InjectedFailureAtLoadCarriesThatCallsCode) {
  struct Case {
    const char* operation;
    int occurrence;
    std::int32_t code;
  };
  const Case cases[] = {
      {"RegCreateKeyExW", 1, 5},     // the store key
      {"RegEnumKeyExW", 1, 1015},    // the profile enumeration
      {"RegCreateKeyExW", 2, 1018},  // the store key again, for a profile
      {"RegOpenKeyExW", 1, 2},       // the profile subkey
      {"RegQueryInfoKeyW", 1, 1010},
      {"RegEnumValueW", 1, 1009},
      {"RegEnumValueW", 2, 234},
  };
  for (const Case& c : cases) {
    MemoryRegistry registry;
    registry.SetString(PathOf(u"A"), u"key1", Key(u"a"));
    registry.SetString(PathOf(u"A"), u"value1", kPress);
    registry.FailCall(c.operation, c.code, c.occurrence);
    try {
      CProfileRepository repo(registry);
      ADD_FAILURE() << c.operation << " " << c.occurrence << ": loaded";
    } catch (const StoreLoadError& e) {
      EXPECT_EQ(e.code(), c.code) << c.operation << " " << c.occurrence;
    }
    EXPECT_EQ(registry.OpenHandles(), 0) << c.operation;
  }
}

TEST(ProfileStore, APartialLoadKeepsWhatItReadAndWritesNothingOverTheRest) {
  MemoryRegistry registry;
  for (const char16_t* name : {u"Alfa", u"Beta", u"Gamma"}) {
    registry.SetString(PathOf(name), u"key1", Key(name));
    registry.SetString(PathOf(name), u"value1", kPress);
  }
  // Beta's values cannot be read (the second profile's value enumeration).
  registry.FailCall("RegEnumValueW", 1015, 4);
  std::vector<StoreLoadProblem> problems;
  CProfileRepository repo(registry, nullptr, problems);
  EXPECT_THAT(problems, ElementsAre(StoreLoadProblem{1015, u"Beta"}));
  ASSERT_EQ(repo.GetProfiles().size(), 2u);
  EXPECT_TRUE(repo.FindProfile(u"Alfa")->HasAnswer(Key(u"Alfa")));
  EXPECT_TRUE(repo.FindProfile(u"Gamma")->HasAnswer(Key(u"Gamma")));
  EXPECT_EQ(repo.FindProfile(u"Beta"), nullptr);
  // Its name stays taken, its stored data untouched, in any case of letters.
  EXPECT_THROW(repo.CreateProfile(u"beta"), ProfileError);
  repo.DeleteProfile(u"Beta");
  EXPECT_THAT(registry.Strings(PathOf(u"Beta")),
              ElementsAre(Pair(u"key1", Key(u"Beta")), Pair(u"value1", kPress)));
  // A copy of a profile named Beta takes the next free name.
  CProfile source(u"Beta");
  EXPECT_EQ(repo.AddCopyOf(source).GetName(), u"Beta (1)");
  // The profiles that were read answer and write as usual.
  repo.FindProfile(u"Alfa")->SetAnswer(Key(u"otra"), kCancel);
  EXPECT_EQ(registry.Strings(PathOf(u"Alfa")).size(), 4u);
}

TEST(ProfileStore, AListOfProfilesReadInPartLeavesTheUnseenOnesAlone) {
  MemoryRegistry registry;
  for (const char16_t* name : {u"Alfa", u"Beta"}) {
    registry.SetString(PathOf(name), u"key1", Key(name));
    registry.SetString(PathOf(name), u"value1", kPress);
  }
  // The list breaks after the first profile.
  registry.FailCall("RegEnumKeyExW", 1234, 2);
  std::vector<StoreLoadProblem> problems;
  CProfileRepository repo(registry, nullptr, problems);
  EXPECT_THAT(problems, ElementsAre(StoreLoadProblem{1234, u""}));
  ASSERT_EQ(repo.GetProfiles().size(), 1u);
  // Beta was never seen: its name is taken all the same; a new name is not.
  EXPECT_THROW(repo.CreateProfile(u"BETA"), ProfileError);
  EXPECT_EQ(registry.Strings(PathOf(u"Beta")).size(), 2u);
  EXPECT_NO_THROW(repo.CreateProfile(u"Delta"));
  EXPECT_TRUE(registry.HasKey(PathOf(u"Delta")));

  // Without the list of problems the same store refuses to load.
  registry.FailCall("RegEnumKeyExW", 1234, 2);
  EXPECT_THROW(CProfileRepository again(registry), StoreLoadError);
}

TEST(ProfileStore, FailedWritesAreReportedAndMemoryKeepsWhatTheStoreHolds) {
  for (const char* operation : {"RegCreateKeyExW", "RegOpenKeyExW", "RegSetValueExW"}) {
    MemoryRegistry registry;
    CProfileRepository repo(registry);
    CProfile& profile = repo.CreateProfile(u"P");
    profile.SetAnswer(Key(u"old"), kCancel);
    std::vector<StoreWriteFailure> failures;
    repo.SetWriteFailureHandler([&](const StoreWriteFailure& f) { failures.push_back(f); });
    registry.FailCall(operation, 8, 0);
    profile.SetAnswer(Key(u"k"), kPress);
    // A new answer the store did not take is not claimed; a replaced one
    // stays as the store holds it.
    EXPECT_FALSE(profile.HasAnswer(Key(u"k"))) << operation;
    profile.SetAnswer(Key(u"old"), kPress);
    EXPECT_EQ(profile.GetAnswer(Key(u"old")), kCancel) << operation;
    registry.ClearFailures();
    CProfileRepository reloaded(registry);
    EXPECT_EQ(reloaded.FindProfile(u"P")->GetAnswer(Key(u"old")), kCancel) << operation;
    EXPECT_FALSE(reloaded.FindProfile(u"P")->HasAnswer(Key(u"k"))) << operation;
    registry.FailCall(operation, 8, 0);
    ASSERT_FALSE(failures.empty()) << operation;
    EXPECT_EQ(failures[0].profile, u"P");
    EXPECT_EQ(failures[0].value_name, u"key2");
    EXPECT_EQ(failures[0].code, 8);
    EXPECT_FALSE(failures[0].deleting);
    registry.ClearFailures();
    profile.SetAnswer(Key(u"k"), kPress);
    EXPECT_TRUE(profile.HasAnswer(Key(u"k")));
  }
}

TEST(ProfileStore, FailedDeletionOfAPairIsReported) {
  MemoryRegistry registry;
  CProfileRepository repo(registry);
  CProfile& profile = repo.CreateProfile(u"P");
  profile.SetAnswer(Key(u"k"), kPress);
  std::vector<StoreWriteFailure> failures;
  repo.SetWriteFailureHandler([&](const StoreWriteFailure& f) { failures.push_back(f); });
  registry.FailCall("RegDeleteValueW", 5, 0);
  profile.RemoveAnswer(Key(u"k"));
  EXPECT_FALSE(profile.HasAnswer(Key(u"k")));
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].value_name, u"value1");
  EXPECT_TRUE(failures[0].deleting);
}

TEST(ProfileStore, CreatingRefusesTakenAndUnusableNamesWithoutWriting) {
  MemoryRegistry registry;
  CProfileRepository repo(registry);
  repo.CreateProfile(u"A");
  struct Case {
    Text name;
    std::int32_t code;
  };
  const Case cases[] = {{u"A", ProfileError::kNameTaken},
                        // the registry's names ignore case: "a" is A's subkey
                        {u"a", ProfileError::kNameTaken},
                        {u"", ProfileError::kInvalidName},
                        {u"Uno\\Dos", ProfileError::kInvalidName},
                        {Text(256, u'x'), ProfileError::kInvalidName},
                        {Text(u"Uno\0Dos", 7), ProfileError::kInvalidName},
                        {u"Uno\tDos", ProfileError::kInvalidName},
                        {u"Uno\nDos", ProfileError::kInvalidName},
                        {u"Uno\x7f", ProfileError::kInvalidName},
                        {u"Uno\x85", ProfileError::kInvalidName}};
  for (const Case& c : cases) {
    try {
      repo.CreateProfile(c.name);
      ADD_FAILURE() << ToUtf8(c.name);
    } catch (const ProfileError& e) {
      EXPECT_EQ(e.code(), c.code);
      EXPECT_FALSE(e.message().empty());
    }
  }
  EXPECT_THAT(registry.SubkeyNames(kStore), ElementsAre(u"A"));
  EXPECT_EQ(repo.GetProfiles().size(), 1u);
  EXPECT_EQ(ProfileNameProblem(Text(255, u'x')), std::nullopt);
}

TEST(ProfileStore, NamesThatDifferOnlyInCaseAreOneName) {
  MemoryRegistry registry;
  {
    CProfileRepository repo(registry);
    repo.CreateProfile(u"Perfil Ñandú").SetAnswer(Key(u"uno"), kPress);
    for (const Text& name : {Text(u"perfil ñandú"), Text(u"PERFIL ÑANDÚ")}) {
      try {
        repo.CreateProfile(name);
        ADD_FAILURE() << ToUtf8(name);
      } catch (const ProfileError& e) {
        EXPECT_EQ(e.code(), ProfileError::kNameTaken);
        EXPECT_EQ(e.message(), u"Ya existe un perfil con ese nombre.");
      }
      EXPECT_EQ(repo.FindProfile(name), repo.FindProfile(u"Perfil Ñandú"));
    }
    // A copy (an import) under a name in use in another case is numbered.
    CProfile source(u"PERFIL ñandú");
    source.SetAnswer(Key(u"dos"), kCancel);
    EXPECT_EQ(repo.AddCopyOf(source).GetName(), u"PERFIL ñandú (1)");
    // Deleting it leaves the other's answers alone.
    repo.DeleteProfile(u"PERFIL ñandú (1)");
  }
  CProfileRepository again(registry);
  ASSERT_EQ(again.GetProfiles().size(), 1u);
  const CProfile& kept = *again.GetProfiles()[0];
  EXPECT_EQ(kept.GetName(), u"Perfil Ñandú");
  EXPECT_THAT(kept.GetKeys(), ElementsAre(Key(u"uno")));
}

TEST(RegistryNames, CompareWithoutRegardToCaseAsTheRegistryDoes) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    bool same;
  };
  const Case cases[] = {
      {u"Perfil", u"PERFIL", true},      {u"ñandú", u"ÑANDÚ", true},
      {u"ÿ", u"\u0178", true},           {u"ąčė", u"ĄČĖ", true},
      {u"αβγ", u"ΑΒΓ", true},            {u"привет", u"ПРИВЕТ", true},
      {u"Perfil", u"Perfil ", false},    {u"a", u"b", false},
      {u"÷", u"×", false},               {u"ss", u"ß", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameRegistryName(c.a, c.b), c.same) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
  }
}

TEST(ProfileStore, DeletingAProfileRemovesItsSubkeyWithItsValues) {
  MemoryRegistry registry;
  RecordingUi ui;
  CProfileRepository repo(registry, &ui);
  repo.CreateProfile(u"A").SetAnswer(Key(u"k"), kPress);
  repo.CreateProfile(u"B");
  EXPECT_TRUE(repo.DeleteProfile(u"A"));
  EXPECT_FALSE(repo.DeleteProfile(u"no existe"));
  EXPECT_EQ(repo.FindProfile(u"A"), nullptr);
  EXPECT_THAT(registry.SubkeyNames(kStore), ElementsAre(u"B"));
  EXPECT_THAT(ui.boxes, IsEmpty());
  // A new profile of the old name starts empty, in memory and after a restart.
  repo.CreateProfile(u"A");
  CProfileRepository again(registry);
  EXPECT_EQ(again.FindProfile(u"A")->GetCount(), 0u);
}

// A registry whose key deletion fails at a chosen stage.
class FailingDeletion : public MemoryRegistry {
 public:
  RegDeleteResult result;
  RegDeleteResult RegDeleteKeyExW(RegKey, TextView) override { return result; }
};

TEST(ProfileStore, FailedSubkeyDeletionShowsItsBoxAndKeepsTheProfile) {
  using Stage = RegDeleteResult::Stage;
  struct Case {
    RegDeleteResult result;
    const char16_t* caption;  // null: no box, the profile is deleted
  };
  const Case cases[] = {
      {{Stage::LibraryNotLoaded, 126}, u"Error intentando cargar AdvAPI32.dll"},
      {{Stage::FunctionNotFound, 127},
       u"Error buscando RegDeleteKey(W)() o RegDeleteKeyEx(W)() en AdvAPI32.dll"},
      {{Stage::Done, 5}, u"Error intentando borrar la entrada en la registry"},
      // Someone else deleted the subkey meanwhile: it is gone all the same.
      {{Stage::Done, reg::kFileNotFound}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result.code);
    FailingDeletion registry;
    registry.result = c.result;
    RecordingUi ui;
    CProfileRepository repo(registry, &ui);
    repo.CreateProfile(u"A").SetAnswer(Key(u"k"), kPress);
    const bool deleted = repo.DeleteProfile(u"A");
    if (c.caption == nullptr) {
      EXPECT_TRUE(deleted);
      EXPECT_EQ(repo.FindProfile(u"A"), nullptr);
      EXPECT_THAT(ui.boxes, IsEmpty());
      continue;
    }
    // The subkey stays, so does the profile: memory says what the next
    // start will find, answers included.
    EXPECT_FALSE(deleted);
    ASSERT_NE(repo.FindProfile(u"A"), nullptr);
    EXPECT_EQ(repo.FindProfile(u"A")->GetCount(), 1u);
    EXPECT_THAT(ui.boxes, ElementsAre(Pair(Text(c.caption), c.result.code)));
    EXPECT_EQ(CProfileRepository(registry).FindProfile(u"A")->GetCount(), 1u);
  }
}

TEST(ProfileStore, CopiesTakeTheNextFreeNumberedName) {
  struct Case {
    std::vector<Text> existing;
    Text source;
    Text copy;
  };
  const Case cases[] = {
      {{u"Perfil"}, u"Perfil", u"Perfil (1)"},
      {{u"Perfil", u"Perfil (1)"}, u"Perfil", u"Perfil (2)"},
      {{u"Perfil (1)"}, u"Perfil (1)", u"Perfil (2)"},
      {{u"Perfil (1)", u"Perfil (2)"}, u"Perfil (1)", u"Perfil (3)"},
      {{u"Mi perfil (x)"}, u"Mi perfil (x)", u"Mi perfil (x) (1)"},
      {{u"Mi perfil (x)", u"Mi perfil (x) (1)"}, u"Mi perfil (x)", u"Mi perfil (x) (2)"},
      {{u"A ( 7) copia"}, u"A ( 7) copia", u"A (1)"},
      {{}, u"Nuevo", u"Nuevo"},
  };
  for (const Case& c : cases) {
    CProfileRepository repo;
    for (const Text& name : c.existing) repo.CreateProfile(name);
    CProfile source(c.source);
    source.SetAnswer(Key(u"k"), kPress);
    source.SetAnswer(Key(u"j"), kCancel);
    CProfile& copy = repo.AddCopyOf(source);
    EXPECT_EQ(copy.GetName(), c.copy) << ToUtf8(c.source);
    EXPECT_EQ(copy.GetKeys(), source.GetKeys());
    EXPECT_EQ(copy.GetValues(), source.GetValues());
  }
}

TEST(ProfileStore, ACopysNumberedNameIsCutToTheNameLimit) {
  const Text longest(255, u'x');
  // 250 letters, a character outside the BMP (two code units), 3 letters:
  // a cut at 251 would split the pair.
  const Text with_pair = Text(250, u'y') + u"\U0001F600" + u"yyy";
  ASSERT_EQ(with_pair.size(), 255u);
  struct Case {
    std::vector<Text> existing;
    Text source;
    Text copy;
  };
  const Case cases[] = {
      {{longest}, longest, Text(251, u'x') + u" (1)"},
      {{longest, Text(251, u'x') + u" (1)"}, longest, Text(251, u'x') + u" (2)"},
      {{with_pair}, with_pair, Text(250, u'y') + u" (1)"},
  };
  for (const Case& c : cases) {
    MemoryRegistry registry;
    CProfileRepository repo(registry);
    for (const Text& name : c.existing) repo.CreateProfile(name);
    CProfile source(c.source);
    source.SetAnswer(Key(u"k"), kPress);
    const CProfile* copy = nullptr;
    ASSERT_NO_THROW(copy = &repo.AddCopyOf(source));
    EXPECT_EQ(copy->GetName(), c.copy);
    EXPECT_EQ(copy->GetCount(), 1u);
  }
}

TEST(ProfileStore, CopyIntoThePersistentRepositoryWritesEachPair) {
  MemoryRegistry registry;
  CProfileRepository repo(registry);
  CProfile source(u"A");
  source.SetAnswer(Key(u"k"), kPress);
  source.SetAnswer(Key(u"j"), kCancel);
  repo.AddCopyOf(source);
  EXPECT_EQ(registry.Strings(PathOf(u"A")).size(), 4u);
}

TEST(ProfileStore, TemporaryRepositoryHoldsPlainProfiles) {
  CProfileRepository repo;
  EXPECT_FALSE(repo.IsPersistent());
  CProfile& profile = repo.CreateProfile(u"T");
  EXPECT_EQ(dynamic_cast<CManagedProfile*>(&profile), nullptr);
  profile.SetAnswer(Key(u"k"), kPress);
  repo.AddCopyOf(profile);
  repo.DeleteProfile(u"T");
  EXPECT_EQ(repo.GetLastNumber(), 0);
  EXPECT_EQ(repo.GetProfiles().size(), 1u);
}

TEST(ProfileStore, ManagedProfileFromSourceDropsUnreadablePairsWithoutWriting) {
  MemoryRegistry registry;
  CProfileRepository repo(registry);
  const std::map<Text, Text> source = {{Key(u"bueno"), kPress},
                                       {u"no es una clave", kPress},
                                       {Key(u"otro"), u"1|class CNada|"}};
  CManagedProfile profile(u"X", repo, &source);
  EXPECT_THAT(profile.GetKeys(), ElementsAre(Key(u"bueno")));
  EXPECT_EQ(registry.Calls("RegSetValueExW"), 0);
}

}  // namespace
}  // namespace korvex
