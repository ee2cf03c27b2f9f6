// The rows and columns of the end-of-run reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/common/settings.h"
#include "robot/journal/report_rows.h"
#include "robot/journal/vti_actions.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/memory_registry.h"

namespace korvex {
namespace {

using namespace korvex::testing;
using ::testing::ElementsAre;

TEST(ReportRows, SortedByItemThenTextWithTheirColumnTexts) {
  FakeDesktop desk;
  MemoryRegistry registry;
  Settings settings{registry};
  FixedRegionalSettings regional;
  SettableClock clock;
  CVTIActions journal{desk, settings, regional, clock};
  journal.AddMessage(true, 3, u"zeta");
  journal.AddMessage(false, 3, u"Zeta");  // upper case sorts first
  journal.AddMessage(true, 1, u"uno");
  journal.AddMessage(true, 7, u"siete");
  journal.AddQuestion(false, 12, u"¿b?", u"Presionar No");
  journal.AddQuestion(true, 12, u"¿a?", u"Presionar Sí");
  journal.AddQuestion(true, 2, u"¿c?", u"Ingresar 5");

  std::vector<std::string> messages;
  for (const ReportRow& r : MessageReportRows(journal)) {
    messages.push_back(ToUtf8(r.item_text + u" " + r.action + u" " + r.content));
  }
  EXPECT_THAT(messages, ElementsAre("0001 Automática uno", "0003 Manual Zeta",
                                    "0003 Automática zeta", "0007 Automática siete"));
  std::vector<std::string> actions;
  for (const ReportRow& r : ActionReportRows(journal)) {
    actions.push_back(ToUtf8(r.item_text + u" " + r.action + u" " + r.content + u" " + r.answer));
  }
  EXPECT_THAT(actions, ElementsAre("0002 Automática ¿c? Ingresar 5", "0012 Automática ¿a? Presionar Sí",
                                   "0012 Manual ¿b? Presionar No"));
  EXPECT_EQ(ReportLogName(journal), u"(no se ha podido generar un archivo de log)");
  ASSERT_EQ(MessageReportColumns().size(), 3u);
  EXPECT_EQ(MessageReportColumns()[0].title, u"Ítem");
  EXPECT_TRUE(MessageReportColumns()[0].centred);
  EXPECT_EQ(MessageReportColumns()[2].width, 600);
  ASSERT_EQ(ActionReportColumns().size(), 4u);
  EXPECT_EQ(ActionReportColumns()[3].title, u"Respuesta");
  EXPECT_EQ(ActionReportColumns()[2].width, 300);
}

}  // namespace
}  // namespace korvex
