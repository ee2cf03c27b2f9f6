#include "tests/fakes/journal_writer.h"

namespace korvex::testing {

JournalWriter::JournalWriter(const Text& folder) {
  m_settings.SetString(u"LogDir", folder);
  m_regional.intl[u"sList"] = u";";
  m_regional.intl[u"sDecimal"] = u",";
}

JournalWriter::~JournalWriter() = default;

void JournalWriter::SetSeparator(const Text& separator) {
  m_settings.SetString(u"LogSeparator", separator.empty() ? Text(kNoSeparator) : separator);
}

Text JournalWriter::Begin(const LocalTime& start, const Text& profile, const Text& identifier) {
  m_journal.reset();
  m_clock.local = start;
  m_journal = std::make_unique<CVTIActions>(m_desk, m_settings, m_regional, m_clock);
  const Hwnd host = m_desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .text = u"Dossa " + identifier});
  m_journal->Open(host, profile);
  return m_journal->GetLogPath();
}

void JournalWriter::Choose(const Text& profile) { m_journal->Open(kNoWindow, profile); }

void JournalWriter::Message(bool automatic, std::uint16_t item, const Text& text) {
  m_journal->AddMessage(automatic, item, text);
}

void JournalWriter::Question(bool automatic, std::uint16_t item, const Text& question, const Text& answer) {
  m_journal->AddQuestion(automatic, item, question, answer);
}

void JournalWriter::End(bool disconnected) {
  m_journal->Close(disconnected);
  m_journal.reset();
}

void JournalWriter::Stop() { m_journal.reset(); }

}  // namespace korvex::testing
