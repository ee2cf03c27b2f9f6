// How a run of the tariff control ends when one of its ports fails with an
// exception: the engine's session is closed and the engine ended all the
// same, the cursor is put back, and the next run starts clean.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "tarifex/engine_record.h"
#include "tarifex/tarifex_control.h"
#include "tests/fakes/tarifex_fakes.h"

namespace korvex::tarifex {
namespace {

using testing::Collection;
using testing::MemoryComponents;
using testing::MemoryTraceFiles;
using testing::ScriptedControlUser;
using testing::ScriptedEngine;
using testing::ScriptedRobot;
using ::testing::IsEmpty;

constexpr Hwnd kHostWindow = 0x5150;

std::string Cmd(const std::string& name, std::vector<std::vector<std::string>> lines) {
  return *WriteRecord(name, lines.size() == 1 ? RecordMode::Line : RecordMode::Block, lines);
}

// Each double fails once, from its next call, when a failure is set.
struct Failure {
  std::function<void()> raise;
  void Strike() {
    if (auto r = std::exchange(raise, nullptr)) r();
  }
};

class FailingEngine : public ScriptedEngine {
 public:
  Failure failure;
  // Called at the first receive, when the data is through and the session
  // open: the moment a test sets the failure of another double.
  std::function<void()> on_first_receive;
  std::int32_t Receive(EngineMessage* message) override {
    if (auto f = std::exchange(on_first_receive, nullptr)) f();
    failure.Strike();
    return ScriptedEngine::Receive(message);
  }
};

class FailingRobot : public ScriptedRobot {
 public:
  Failure failure;
  bool PreguntaSiNo(Hwnd parent, std::string_view text, std::string_view caption,
                    std::uint32_t type, std::int32_t& answer) override {
    failure.Strike();
    return ScriptedRobot::PreguntaSiNo(parent, text, caption, type, answer);
  }
};

class FailingUser : public ScriptedControlUser {
 public:
  Failure failure;
  int MessageBoxA(Hwnd owner, std::string_view text, std::string_view caption,
                  std::uint32_t type) override {
    failure.Strike();
    return ScriptedControlUser::MessageBoxA(owner, text, caption, type);
  }
};

class FailingComponents : public MemoryComponents {
 public:
  Failure failure;
  std::shared_ptr<HostVariable> CreateVariable(std::int32_t* error) override {
    failure.Strike();
    return MemoryComponents::CreateVariable(error);
  }
};

class FailingTraceFiles : public MemoryTraceFiles {
 public:
  Failure failure;
  std::unique_ptr<TraceFile> Open(const std::string& path, bool append) override {
    failure.Strike();
    return MemoryTraceFiles::Open(path, append);
  }
};

struct Ports {
  FailingEngine engine;
  FailingComponents components;
  FailingRobot robot;
  FailingUser user;
  FailingTraceFiles files;
};

TEST(TarifexControlExit, AnExceptionFromAnyPortClosesTheSessionAndEndsTheEngine) {
  struct Case {
    const char* where;
    std::string command;  // the engine's command during which the port fails
    Failure& (*port)(Ports&);
    std::function<void()> raise;
  };
  const Case cases[] = {
      {"the engine's receive", Cmd("END", {{"*"}}), [](Ports& p) -> Failure& { return p.engine.failure; },
       [] { throw std::runtime_error("engine"); }},
      {"the robot's question", Cmd("TXT", {{"Desea continuar?"}}),
       [](Ports& p) -> Failure& { return p.robot.failure; },
       [] { throw std::runtime_error("robot"); }},
      {"the user's message box", Cmd("DMSG", {{"Verifique el origen"}}),
       [](Ports& p) -> Failure& { return p.user.failure; }, [] { throw std::bad_alloc(); }},
      {"a host component", Cmd("UPOS", {{"POS", "1"}}),
       [](Ports& p) -> Failure& { return p.components.failure; }, [] { throw std::bad_alloc(); }},
      {"a trace file", Cmd("ULST", {{"L1", "a", "b", "NO"}}),
       [](Ports& p) -> Failure& { return p.files.failure; },
       [] { throw std::runtime_error("file"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    Ports p;
    TarifexControl control{{p.engine, p.components, p.robot, p.user, p.files}};
    control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
    p.engine.ReplyAll(c.command, "TXT_OK", "TXT_OK");
    p.engine.on_first_receive = [&] { c.port(p).raise = c.raise; };

    EXPECT_ANY_THROW(control.ExecTarifex(kHostWindow));
    const std::vector<int>& calls = p.engine.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), 193);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), 110), 1) << "the session was not closed";
    EXPECT_EQ(calls.back(), 194) << "the engine was not ended";
    EXPECT_THAT(p.engine.Misuses(), IsEmpty());
    EXPECT_EQ(p.user.Cursor(), "arrow");

    // Nothing of the failed run is left behind: the next run opens its own
    // session and succeeds.
    EXPECT_TRUE(control.ExecTarifex(kHostWindow)) << control.MsgError();
    EXPECT_EQ(std::count(p.engine.Calls().begin(), p.engine.Calls().end(), 110), 2);
    EXPECT_EQ(p.engine.Calls().back(), 194);
  }
}

}  // namespace
}  // namespace korvex::tarifex
