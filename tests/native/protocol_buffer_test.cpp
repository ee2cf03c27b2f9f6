// The protocol's message buffer: byte layout, reading rules and signature.
#include "protocol/buffer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "protocol/crc32.h"
#include "protocol/protocol.h"
#include "tests/fakes/fixed_environment.h"

namespace korvex::protocol {
namespace {

using ::testing::ElementsAreArray;

std::vector<std::uint8_t> Bytes(const CBuffer& b) {
  return std::vector<std::uint8_t>(b.Data(), b.Data() + b.Size());
}

std::vector<std::uint8_t> Le(std::initializer_list<std::uint32_t> values) {
  std::vector<std::uint8_t> out;
  for (const std::uint32_t v : values) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  return out;
}

// A received buffer holding exactly these bytes.
void Receive(CBuffer& b, const std::vector<std::uint8_t>& bytes) {
  ASSERT_TRUE(b.PrepareBuffer(static_cast<std::int32_t>(bytes.size())));
  std::memcpy(b.Data(), bytes.data(), bytes.size());
  ASSERT_TRUE(b.SetSize(static_cast<std::int32_t>(bytes.size())));
}

TEST(ProtocolBuffer, TheYesNoRequestOfTheExampleIs48BytesInLayoutOrder) {
  SettableClock clock;
  clock.seconds = 1'700'000'000;
  CBuffer b;
  ASSERT_TRUE(b.AddInteger(kProtocolId));
  ASSERT_TRUE(b.AddQuery(kPreguntaSiNo));
  ASSERT_TRUE(b.AddInteger(12));
  ASSERT_TRUE(b.AddString(u"¿Continúa?"));  // 10 code units
  ASSERT_TRUE(b.AddString(static_cast<const char16_t*>(nullptr)));
  ASSERT_TRUE(b.AddInteger(0x24));
  ASSERT_TRUE(b.AddSignature(clock));
  ASSERT_EQ(b.Size(), 48);

  std::vector<std::uint8_t> expected = Le({0x00010001, 1, 12, 10});
  for (const char16_t c : std::u16string(u"¿Continúa?")) {
    expected.push_back(static_cast<std::uint8_t>(c));
    expected.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  const auto tail = Le({0, 0x24});
  expected.insert(expected.end(), tail.begin(), tail.end());
  const std::uint32_t crc = SignatureCrc(SignatureSeed(1'700'000'000), expected.data(), 44);
  const auto signature = Le({crc});
  expected.insert(expected.end(), signature.begin(), signature.end());
  EXPECT_THAT(Bytes(b), ElementsAreArray(expected));
  EXPECT_EQ(b.Capacity(), 2048);  // one step of growth holds a typical message
}

TEST(ProtocolBuffer, BooleansAreWrittenAsZeroOrOne) {
  CBuffer b;
  for (const std::int32_t v : {0, 1, 2, -1}) ASSERT_TRUE(b.AddBool(v));
  EXPECT_THAT(Bytes(b), ElementsAreArray(Le({0, 1, 1, 1})));
}

TEST(ProtocolBuffer, SeedBytesAreB3B2B0B1) {
  // t = 0x11223344: b0 = 0x44, b1 = 0x33, b2 = 0x22, b3 = 0x11.
  EXPECT_EQ(SignatureSeed(0x11223344u), 0x33442211u);
  EXPECT_EQ(SignatureSeed(0), 0u);
  EXPECT_EQ(SignatureSeed(0xFFFFFFFFu), 0xFFFFFFFFu);
}

TEST(ProtocolBuffer, StandardCrc32CheckValue) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32("", 0), 0u);
}

TEST(ProtocolBuffer, PreparingAndSizing) {
  CBuffer b;
  EXPECT_FALSE(b.PrepareBuffer(0));
  EXPECT_EQ(b.Data(), nullptr);
  EXPECT_EQ(b.Capacity(), 0);
  EXPECT_FALSE(b.SetSize(0));  // no storage

  ASSERT_TRUE(b.PrepareBuffer(16));
  EXPECT_EQ(b.Capacity(), 16);  // exactly the announced length
  EXPECT_EQ(b.Size(), 0);
  EXPECT_FALSE(b.SetSize(17));
  EXPECT_FALSE(b.SetSize(-1));
  EXPECT_TRUE(b.SetSize(16));
  EXPECT_TRUE(b.SetSize(0));
  EXPECT_FALSE(b.PrepareBuffer(-5));
  EXPECT_EQ(b.Data(), nullptr);  // the old storage is gone too
}

TEST(ProtocolBuffer, ReadsKeepTheSignatureUnread) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    // What one GetInteger, then one GetString, then ValidaEOM give on it.
    bool integer;
    bool eom_after_integer;
  };
  const Case cases[] = {
      {"4 unread: only the signature", Le({7}), false, true},
      {"8 unread: one integer", Le({7, 0}), true, true},
      {"12 unread: an integer and more", Le({7, 0, 0}), true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CBuffer b;
    Receive(b, c.bytes);
    std::int32_t v = 0;
    EXPECT_EQ(b.GetInteger(v), c.integer);
    if (c.integer) {
      EXPECT_EQ(v, 7);
    }
    EXPECT_EQ(b.ValidaEOM(), c.eom_after_integer);
  }
  CBuffer only_signature;
  Receive(only_signature, Le({0}));
  Text s;
  EXPECT_FALSE(only_signature.GetString(s));
  EXPECT_TRUE(only_signature.ValidaEOM());
}

TEST(ProtocolBuffer, Strings) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;  // signature included
    bool ok;
    Text text;
    std::int32_t position_after;
  };
  std::vector<std::uint8_t> two_chars = Le({2});
  for (const std::uint8_t x : {0x41, 0x00, 0xF1, 0x00}) two_chars.push_back(x);
  const auto sig = Le({0xDEADBEEF});
  two_chars.insert(two_chars.end(), sig.begin(), sig.end());
  std::vector<std::uint8_t> claims_more = Le({3});
  for (const std::uint8_t x : {0x41, 0x00, 0x42, 0x00}) claims_more.push_back(x);
  claims_more.insert(claims_more.end(), sig.begin(), sig.end());

  const Case cases[] = {
      {"empty is the count 0", Le({0, 0}), true, u"", 4},
      {"two characters", two_chars, true, u"Añ", 8},
      {"count beyond what precedes the signature", claims_more, false, u"", 4},
      {"negative count", Le({0xFFFFFFFFu, 0, 0}), false, u"", 4},
      {"huge count", Le({0x7FFFFFFFu, 0, 0}), false, u"", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CBuffer b;
    Receive(b, c.bytes);
    Text out = u"previous";
    EXPECT_EQ(b.GetString(out), c.ok);
    if (c.ok) {
      EXPECT_EQ(out, c.text);
    }
    EXPECT_EQ(b.ReadPosition(), c.position_after);  // never past the characters
  }
  CBuffer empty;
  ASSERT_TRUE(empty.AddString(u""));
  EXPECT_THAT(Bytes(empty), ElementsAreArray(Le({0})));
}

TEST(ProtocolBuffer, QueryAndBooleanChecks) {
  struct Case {
    std::int32_t protocol;
    std::uint32_t value;
    bool query_ok;
    bool bool_ok;
  };
  const Case cases[] = {
      {kProtocolId, 0, true, true},        {kProtocolId, 1, true, true},
      {kProtocolId, 3, true, false},       {kProtocolId, 4, false, false},
      {kProtocolId, 0xFFFFFFFFu, false, false}, {0x00010002, 1, false, true},
      {0x00020001, 0, false, true},        {kProtocolId, 2, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.protocol << " " << c.value);
    CBuffer q;
    Receive(q, Le({c.value, 0}));
    std::int32_t query = -7;
    EXPECT_EQ(q.GetQuery(c.protocol, query), c.query_ok);
    EXPECT_EQ(query, c.query_ok ? static_cast<std::int32_t>(c.value) : -7);
    EXPECT_EQ(q.ReadPosition(), 4);  // read even when refused
    CBuffer b;
    Receive(b, Le({c.value, 0}));
    std::int32_t value = -7;
    EXPECT_EQ(b.GetBool(value), c.bool_ok);
  }
}

TEST(ProtocolBuffer, SignatureIsAcceptedFromNowToNineSecondsBefore) {
  SettableClock signer;
  SettableClock checker;
  checker.seconds = 1'700'000'000;
  for (int age = -3; age <= 12; ++age) {
    SCOPED_TRACE(age);
    signer.seconds = checker.seconds - age;
    CBuffer b;
    ASSERT_TRUE(b.AddInteger(kProtocolId));
    ASSERT_TRUE(b.AddString(u"texto"));
    ASSERT_TRUE(b.AddSignature(signer));
    EXPECT_EQ(b.CheckSignature(checker), age >= 0 && age <= 9);
  }
}

TEST(ProtocolBuffer, SignatureAcrossTheWrapOfThe32BitSeconds) {
  SettableClock signer;
  SettableClock checker;
  signer.seconds = 0xFFFFFFFEll;
  checker.seconds = 0x100000003ll;  // 5 seconds later, past the wrap
  CBuffer b;
  ASSERT_TRUE(b.AddInteger(1));
  ASSERT_TRUE(b.AddSignature(signer));
  EXPECT_TRUE(b.CheckSignature(checker));
}

TEST(ProtocolBuffer, AnyChangedByteOrSeedOrderBreaksTheSignature) {
  SettableClock clock;
  clock.seconds = 1'234'567'890;
  CBuffer signed_buffer;
  ASSERT_TRUE(signed_buffer.AddInteger(kProtocolId));
  ASSERT_TRUE(signed_buffer.AddQuery(kPreguntaTexto));
  ASSERT_TRUE(signed_buffer.AddInteger(5));
  ASSERT_TRUE(signed_buffer.AddString(u"Peso neto"));
  ASSERT_TRUE(signed_buffer.AddSignature(clock));
  const std::vector<std::uint8_t> good = Bytes(signed_buffer);
  {
    CBuffer b;
    Receive(b, good);
    EXPECT_TRUE(b.CheckSignature(clock));
  }
  for (std::size_t i = 0; i < good.size(); ++i) {
    for (const std::uint8_t flip : {0x01, 0x80}) {
      std::vector<std::uint8_t> bad = good;
      bad[i] ^= flip;
      CBuffer b;
      Receive(b, bad);
      EXPECT_FALSE(b.CheckSignature(clock)) << "byte " << i;
    }
  }
  // The seed's bytes in plain little-endian order do not sign.
  std::vector<std::uint8_t> body(good.begin(), good.end() - 4);
  const auto t = static_cast<std::uint32_t>(clock.seconds);
  const auto plain = Le({SignatureCrc(t, body.data(), body.size())});
  body.insert(body.end(), plain.begin(), plain.end());
  CBuffer b;
  Receive(b, body);
  EXPECT_FALSE(b.CheckSignature(clock));

  CBuffer tiny;
  Receive(tiny, {1, 2, 3});
  EXPECT_FALSE(tiny.CheckSignature(clock));
}

TEST(ProtocolBuffer, AppendsGrowInSteps) {
  CBuffer b;
  std::vector<std::uint8_t> block(3000, 0xAB);
  ASSERT_TRUE(b.AddData(block.data(), 2048));
  EXPECT_EQ(b.Capacity(), 2048);
  ASSERT_TRUE(b.AddData(block.data(), 1));
  EXPECT_EQ(b.Capacity(), 4096);
  ASSERT_TRUE(b.AddData(block.data(), 3000));
  EXPECT_EQ(b.Size(), 5049);
  EXPECT_EQ(b.Capacity(), 6144);
  EXPECT_FALSE(b.AddData(block.data(), -1));
  EXPECT_FALSE(b.AddData(nullptr, 4));
  EXPECT_EQ(b.Size(), 5049);
}

}  // namespace
}  // namespace korvex::protocol
