#include "tarifex/result_store.h"

#include "tarifex/control_strings.h"
#include "tarifex/declaration.h"

namespace korvex::tarifex {

namespace {

inline constexpr std::uint32_t kIconError = 0x10;  // MB_ICONERROR

constexpr const char* kEmptiedFiles[] = {"tarifex.trc", "reglasOk.trc", "reglas.trc",
                                         "listasOk.trc", "listas.trc"};

struct SummarySection {
  int header;
  ResultStore::Collection collection;
};
constexpr SummarySection kSections[] = {
    {ids::kSummaryComplementaryData, ResultStore::kInfCom},
    {ids::kSummarySuffixes, ResultStore::kSuf},
    {ids::kSummaryDocuments, ResultStore::kDocs},
    {ids::kSummaryPositions, ResultStore::kItem},
    {ids::kSummaryGeneralMessages, ResultStore::kMsgGral},
    {ids::kSummaryMarks, ResultStore::kMDes},
    {ids::kSummaryRules, ResultStore::kRegla},
    {ids::kSummaryMessages, ResultStore::kMsgs},
    {ids::kSummaryModels, ResultStore::kModelos},
    {ids::kSummaryQuotas, ResultStore::kCupo},
    {ids::kSummaryRequests, ResultStore::kSol},
};

void WriteTaxes(TraceFile& file, HostTaxCollection& taxes) {
  const std::int32_t count = taxes.GetCount();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::shared_ptr<HostTax> tax = taxes.GetItem(i);
    if (tax == nullptr) continue;
    std::string line = "\t";
    for (int field = 0; field < HostTax::kFieldCount; ++field) {
      if (field > 0) line += " - ";
      line += tax->GetField(static_cast<HostTax::Field>(field));
    }
    line += '\n';
    file.Write(line);
  }
}

}  // namespace

std::string CreateComponentFailedText(std::int32_t code) {
  return FormatControlText("Error al crear Componente [%ld]", {static_cast<long long>(code)});
}

ResultStore::ResultStore(HostComponents& components, TraceFiles& files, ControlUi& ui)
    : m_components(components), m_files(files), m_ui(ui) {}

void ResultStore::ShowComponentError(std::string_view text) {
  m_ui.MessageBoxA(m_ui.GetFocus(), text, kComponentErrorCaption, kIconError);
}

void ResultStore::Reset(const std::string& path_debug) {
  m_ok = false;
  for (const char* name : kEmptiedFiles) m_files.Open(path_debug + name, false);
  for (auto& collection : m_collections) {
    std::int32_t code = 0;
    collection = m_components.CreateCollection(&code);
    if (collection == nullptr) ShowComponentError(CreateComponentFailedText(code));
  }
  for (auto& taxes : m_taxes) {
    std::int32_t code = 0;
    taxes = m_components.CreateTaxCollection(&code);
    if (taxes == nullptr) ShowComponentError(CreateComponentFailedText(code));
  }
}

void ResultStore::AppendSummary(const std::string& path_debug, std::int16_t lang) {
  std::unique_ptr<TraceFile> file = m_files.Open(path_debug + "tarifex.trc", true);
  if (file == nullptr) return;
  try {
    for (const SummarySection& section : kSections) {
      file->Write(LoadControlString(section.header, lang) + "\n");
      if (m_collections[section.collection]) WriteVariables(*file, *m_collections[section.collection]);
    }
    file->Write(LoadControlString(ids::kSummaryBenefits, lang) + "\n");
    if (m_taxes[kBnf]) WriteTaxes(*file, *m_taxes[kBnf]);
    file->Write(LoadControlString(ids::kSummaryLiquidation, lang) + "\n");
    if (m_taxes[kLqa]) WriteTaxes(*file, *m_taxes[kLqa]);
  } catch (const ComponentError& e) {
    ShowComponentError(e.what());
  }
}

}  // namespace korvex::tarifex
