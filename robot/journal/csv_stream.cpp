#include "robot/journal/csv_stream.h"

#include <cstdio>
#include <string>

#include "platform/regional.h"
#include "robot/common/settings.h"

namespace korvex {

void csvostream::Prefix() {
  if (m_pending) m_stream->Write(TextView(&m_separator, 1));
  m_pending = true;
}

csvostream& csvostream::flush() {
  m_stream->Flush();
  m_pending = false;
  return *this;
}

csvostream& csvostream::operator<<(char16_t c) {
  Prefix();
  if (c == u'"') {
    m_stream->Write(u"\"\"\"\"");
  } else if (c == m_separator) {
    const char16_t quoted[] = {u'"', c, u'"'};
    m_stream->Write(TextView(quoted, 3));
  } else {
    m_stream->Write(TextView(&c, 1));
  }
  return *this;
}

csvostream& csvostream::write(const char16_t* text, std::size_t count) {
  Prefix();
  Text field;
  field.reserve(count + 2);
  field.push_back(u'"');
  for (std::size_t i = 0; i < count; ++i) {
    if (text[i] == u'"') field.push_back(u'"');
    field.push_back(text[i]);
  }
  field.push_back(u'"');
  m_stream->Write(field);
  return *this;
}

csvostream& csvostream::operator<<(TextView text) { return write(text.data(), text.size()); }

csvostream& csvostream::NumberField(const std::string& digits) {
  Prefix();
  m_stream->Write(u"\"" + FromUtf8(digits) + u"\"");
  return *this;
}

namespace {
std::string General(long double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6Lg", value);
  return buffer;
}
}  // namespace

csvostream& csvostream::operator<<(const void* pointer) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*llX", static_cast<int>(sizeof(void*) * 2),
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)));
  return NumberField(buffer);
}
csvostream& csvostream::operator<<(long double value) { return NumberField(General(value)); }
csvostream& csvostream::operator<<(double value) { return NumberField(General(value)); }
csvostream& csvostream::operator<<(float value) { return NumberField(General(value)); }
csvostream& csvostream::operator<<(unsigned int value) { return NumberField(std::to_string(value)); }
csvostream& csvostream::operator<<(int value) { return NumberField(std::to_string(value)); }
csvostream& csvostream::operator<<(unsigned long value) { return NumberField(std::to_string(value)); }
csvostream& csvostream::operator<<(long value) { return NumberField(std::to_string(value)); }
csvostream& csvostream::operator<<(unsigned short value) { return NumberField(std::to_string(value)); }
csvostream& csvostream::operator<<(short value) { return NumberField(std::to_string(value)); }
csvostream& csvostream::operator<<(bool value) { return NumberField(value ? "1" : "0"); }

csvostream& csvendl(csvostream& out) {
  out.stream().Write(u"\n");
  return out.flush();
}

char16_t GetLogSeparator(const Settings& settings, RegionalSettings& regional) {
  const Text setting = settings.LogSeparator();
  // An empty setting would make the string's terminator the separator; the
  // regional separator serves instead.
  if (setting != kNoSeparator && !setting.empty()) return setting[0];
  const Text country = regional.GetProfileStringW(u"intl", u"sCountry", u"Argentina", 100);
  Text decimal = regional.GetProfileStringW(u"intl", u"sDecimal", u",", 10);
  Text list = regional.GetProfileStringW(u"intl", u"sList", u";", 10);
  if (list.size() != 1) list = u",";
  if (decimal.size() != 1) decimal = u".";
  if (list == decimal) list = (country == u"Argentina" || country == u"España") ? u";" : u",";
  return list[0];
}

}  // namespace korvex
