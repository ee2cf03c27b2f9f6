// Arbitrary request bodies through the robot's request handling, past the
// signature: the harness signs each body, so the fuzzer reaches the
// protocol and query checks, every handler's parameter reading, the keys
// they build and their judgment of the stored answer list, which comes from
// the input too.
//
// Input: a 2-byte little-endian length L, then L bytes of UTF-16LE that the
// user-interface thread answers every lookup with (an odd last byte is
// dropped), then the request body without its signature.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "protocol/buffer.h"
#include "robot/query/query_handlers.h"
#include "robot/query/query_server.h"
#include "tests/fakes/fixed_environment.h"

namespace {

using namespace korvex;

class AnsweringUi final : public query::UiThreadPort {
 public:
  Text answer;
  std::intptr_t SendRemoteQuery(query::RemoteQueryRecord& record) override {
    // The key is the handler's work: read it whole, as a lookup would.
    std::size_t sum = 0;
    for (const char16_t c : record.key) sum += c;
    record.item ^= static_cast<std::int32_t>(sum);
    record.response = answer;
    record.found = answer.empty() ? 0 : 1;
    if (!record.found) record.error = query::kErrorNoData;
    return 1;
  }
  void WaitWhileStopping(const std::function<bool()>&) override {}
};

class Icons final : public query::MessageBoxResources {
 public:
  IconHandle LoadSystemIcon(int id) override { return 0x10000 + static_cast<IconHandle>(id); }
  bool LoadMB_GetString() override { return true; }
  std::optional<Text> MB_GetString(unsigned index) override {
    if (index == 0) return Text(u"Aceptar");
    if (index == 5) return std::nullopt;
    return Text(u"&No");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t answer_bytes = data[0] | static_cast<std::size_t>(data[1]) << 8;
  if (2 + answer_bytes > size) return 0;
  AnsweringUi ui;
  for (std::size_t i = 0; i + 1 < answer_bytes; i += 2) {
    ui.answer.push_back(static_cast<char16_t>(data[2 + i] | data[3 + i] << 8));
  }
  const std::uint8_t* body = data + 2 + answer_bytes;
  const std::size_t body_size = size - 2 - answer_bytes;
  if (body_size > static_cast<std::size_t>(protocol::kMaxRequestLength) - 4) return 0;

  SettableClock clock;
  clock.seconds = 1'700'000'000;
  protocol::CBuffer request;
  if (body_size > 0 && !request.AddData(body, static_cast<std::int32_t>(body_size))) return 0;
  request.AddSignature(clock);
  // As received: exactly the length, then the reading from the start.
  protocol::CBuffer received;
  if (!received.PrepareBuffer(request.Size())) return 0;
  for (std::int32_t i = 0; i < request.Size(); ++i) received.Data()[i] = request.Data()[i];
  if (!received.SetSize(request.Size())) __builtin_trap();

  Icons icons;
  query::QueryConnection robot({&ui, &icons}, nullptr, clock);
  protocol::CBuffer response;
  if (query::HandleRequest(received, robot, clock, response)) {
    // A response is signed and holds at least the protocol.
    if (!response.CheckSignature(clock) || response.Size() < 8) __builtin_trap();
  }
  return 0;
}
