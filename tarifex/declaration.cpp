#include "tarifex/declaration.h"

#include <algorithm>
#include <vector>

#include "tarifex/control_strings.h"

namespace korvex::tarifex {

namespace {

inline constexpr std::string_view kBenefitCode = "CODBENEF";
inline constexpr std::string_view kPositionCode = "IESPNCE";
inline constexpr std::string_view kDeclarationDate = "DDDTOFICIA";
inline constexpr std::string_view kDumpErrorCaption = "DEBUG";

class PreparationFailed {
 public:
  explicit PreparationFailed(std::string text) : m_text(std::move(text)) {}
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
};

std::shared_ptr<HostVariable> NewVariable(HostComponents& components) {
  std::int32_t code = 0;
  std::shared_ptr<HostVariable> variable = components.CreateVariable(&code);
  if (variable == nullptr) throw PreparationFailed(std::string(kCreateVariableFailed));
  return variable;
}

void AddVariable(HostCollection& declaration, HostComponents& components, std::string_view name,
                 std::string_view value, bool with_third) {
  std::shared_ptr<HostVariable> variable = NewVariable(components);
  variable->SetName(name);
  variable->SetValue(value);
  if (with_third) variable->SetThird("");
  declaration.Add(variable);
}

void CopyVariables(HostCollection& declaration, HostCollection* from, HostComponents& components) {
  if (from == nullptr) return;
  const std::int32_t count = from->GetCount();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::shared_ptr<HostVariable> source = from->GetItem(i);
    if (source == nullptr) continue;
    std::shared_ptr<HostVariable> copy = NewVariable(components);
    copy->SetName(source->GetName());
    copy->SetValue(source->GetValue());
    const std::string third = source->GetThird();
    if (!third.empty()) copy->SetThird(third);
    declaration.Add(copy);
  }
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t begin = text.find_first_not_of(' ', pos);
    if (begin == std::string_view::npos) break;
    std::size_t end = text.find(' ', begin);
    if (end == std::string_view::npos) end = text.size();
    words.push_back(text.substr(begin, end - begin));
    pos = end;
  }
  return words;
}

// Dumps one collection (an unset one leaves the file empty).  Dumps are a
// help for the engine's developers: one that cannot be written is skipped,
// and a component error ends that dump with a box.
void Dump(const Preparation& p, std::string_view file_name, HostCollection* collection) {
  std::unique_ptr<TraceFile> file = p.files.Open(p.dump_folder + std::string(file_name), false);
  if (file == nullptr || collection == nullptr) return;
  try {
    WriteVariables(*file, *collection);
  } catch (const ComponentError& e) {
    p.ui.MessageBoxA(p.window, e.what(), kDumpErrorCaption, mb::kOk);
  }
}

void AddPositionParts(HostCollection& declaration, HostComponents& components,
                      const std::string& position) {
  // The code reads "8471.30.12.000": chapter "84", heading "84.71",
  // subheading "8471.30", and the ten characters of the common nomenclature.
  auto left = [&](std::size_t n) { return std::string_view(position).substr(0, n); };
  std::string heading(left(2));
  heading += '.';
  heading += std::string_view(position).substr(std::min<std::size_t>(2, position.size()), 2);
  AddVariable(declaration, components, "IESPCAP", left(2), false);
  AddVariable(declaration, components, "IESPPART", heading, false);
  AddVariable(declaration, components, "IESPSUBP", left(7), false);
  AddVariable(declaration, components, "IESPNCM", left(10), false);
}

}  // namespace

void WriteVariables(TraceFile& file, HostCollection& collection) {
  const std::int32_t count = collection.GetCount();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::shared_ptr<HostVariable> variable = collection.GetItem(i);
    if (variable == nullptr) continue;
    std::string line = "\t";
    line += variable->GetName();
    line += " = ";
    line += variable->GetValue();
    const std::string third = variable->GetThird();
    if (!third.empty()) {
      line += " (";
      line += third;
      line += ')';
    }
    line += '\n';
    file.Write(line);
  }
}

bool PrepareDeclaration(HostCollection& declaration, const DataComponents& data,
                        std::string_view benefits, const Preparation& preparation,
                        std::string* error) {
  HostComponents& components = preparation.components;
  try {
    declaration.Clear();
    CopyVariables(declaration, data.gen.get(), components);
    CopyVariables(declaration, data.art.get(), components);

    if (declaration.IndexOf(kBenefitCode) == -1) {
      for (const std::string_view word : Words(benefits)) {
        AddVariable(declaration, components, kBenefitCode, word, true);
      }
    }

    Dump(preparation, "art.trc", data.art.get());
    Dump(preparation, "dec.trc", &declaration);
    Dump(preparation, "com.trc", data.infcom.get());
    Dump(preparation, "suf.trc", data.suf.get());
    Dump(preparation, "marca.trc", data.mdes.get());
    if (std::unique_ptr<TraceFile> file =
            preparation.files.Open(preparation.dump_folder + "ven.trc", false)) {
      file->Write(FormatControlText(LoadControlString(ids::kBenefitsTrace, preparation.lang),
                                    {benefits}) +
                  "\n");
    }

    const std::int32_t position = declaration.IndexOf(kPositionCode);
    if (position != -1) {
      const std::shared_ptr<HostVariable> variable = declaration.GetItem(position);
      AddPositionParts(declaration, components, variable ? variable->GetValue() : std::string());
    }

    if (declaration.IndexOf(kDeclarationDate) == -1) {
      *error = LoadControlString(ids::kDateMissing, preparation.lang);
      return false;
    }
  } catch (const PreparationFailed& failed) {
    *error = failed.Text();
    return false;
  } catch (const ComponentError& e) {
    *error = e.what();
    return false;
  }
  return true;
}

}  // namespace korvex::tarifex
