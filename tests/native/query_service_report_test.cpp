// What the user learns about the query service once it has started: a
// balloon at once and a line in every journal when the robot's port was
// taken and the service listens on another, or listens nowhere; nothing when
// it has the robot's port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/file_io.h"
#include "robot/common/robot_strings.h"
#include "robot/query/query_server.h"
#include "robot/watcher/query_service_report.h"
#include "tests/fakes/frame_under_test.h"

namespace korvex::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class QueryServiceReportTest : public ::testing::Test, protected FrameUnderTest {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("korvex-report-" + std::to_string(std::random_device{}()));
    settings.SetString(u"LogDir", folder.u16string());
    settings.SetString(u"LogSeparator", u";");
    net::InitializeSockets();
    holder = net::Socket::Tcp();
    ASSERT_TRUE(holder.Bind("127.0.0.1", 0) && holder.Listen(4));
    taken = holder.LocalPort();
  }
  void TearDown() override {
    journal.Close(false);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  // The journal of a run that starts now, as the file holds it.
  std::string JournalOfARun() {
    const Hwnd host = desk.AddTopLevel({.text = u"Dossa 12001IC04000123@"});
    journal.Open(host, u"Aduana Norte");
    const Text path = journal.GetLogPath();
    journal.Close(false);
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << ToUtf8(path);
    return bytes;
  }

  std::filesystem::path folder;
  net::Socket holder;  // another program on the port the robot wants
  std::uint16_t taken = 0;
};

TEST_F(QueryServiceReportTest, ThePortTakenIsToldWithTheOneTheRobotListensOn) {
  query::CDirectRobot service({.port = taken, .free_port_when_taken = true});
  service.SetContext({});
  ASSERT_TRUE(service.Start());
  ReportQueryService(service, taken, tray, journal);

  const std::string port = std::to_string(taken);
  const std::string other = std::to_string(service.Port());
  EXPECT_THAT(ToUtf8(tray.balloon), HasSubstr("El puerto " + port + " de esta computadora"));
  EXPECT_THAT(ToUtf8(tray.balloon), HasSubstr("en el puerto " + other + "."));
  EXPECT_THAT(log.entries.back(), HasSubstr("balloon Consultas del control tarifario 10000"));
  // Every journal carries it after its opening line (Latin-1 in the file).
  const std::string bytes = JournalOfARun();
  EXPECT_THAT(bytes, HasSubstr("Se ha activado el perfil"));
  EXPECT_THAT(bytes, HasSubstr("en el puerto " + other + ".\"\r\n"));
  EXPECT_LT(bytes.find("Aduana Norte"), bytes.find("El puerto " + port));
  service.Stop();
}

TEST_F(QueryServiceReportTest, AServiceThatListensNowhereIsToldAsSuch) {
  query::CDirectRobot service({.port = taken});
  service.SetContext({});
  EXPECT_FALSE(service.Start());
  ReportQueryService(service, taken, tray, journal);
  EXPECT_THAT(ToUtf8(tray.balloon),
              HasSubstr("El robot no puede atender las consultas del control tarifario (error " +
                        std::to_string(service.PortError()) + ")"));
  EXPECT_THAT(JournalOfARun(), HasSubstr("preguntar\xE1 al usuario cada vez."));
}

TEST_F(QueryServiceReportTest, AServiceOnTheRobotsPortSaysNothing) {
  holder.Close();
  query::CDirectRobot service({.port = taken, .free_port_when_taken = true});
  service.SetContext({});
  ASSERT_TRUE(service.Start());
  ASSERT_EQ(service.Port(), taken);
  const std::size_t mark = log.entries.size();
  ReportQueryService(service, taken, tray, journal);
  EXPECT_EQ(log.entries.size(), mark);
  EXPECT_THAT(JournalOfARun(), Not(HasSubstr("puerto")));
  service.Stop();
}

}  // namespace
}  // namespace korvex::testing
