// The control's results of one run: the collections the engine's commands
// fill, which the host reads back through the control's properties, and the
// trace files under PathDebug.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tarifex/control_ports.h"
#include "tarifex/host_data.h"

namespace korvex::tarifex {

inline constexpr std::string_view kComponentErrorCaption = "ERROR TARIFEX.OCX";
// "Error al crear Componente [%ld]" with the creation's failure code.
std::string CreateComponentFailedText(std::int32_t code);

class ResultStore {
 public:
  // The variable collections, by the property that reads each.
  enum Collection {
    kInfCom,    // RInfCom <- UCOM
    kSuf,       // RSuf <- USUF
    kItem,      // RItem <- UPOS
    kMsgGral,   // RMsgGral <- AEEM
    kMDes,      // RMDes <- MDES
    kRegla,     // RRegla <- URGD
    kMsgs,      // RMsgs <- IMSG
    kDocs,      // RDocs <- UDOC
    kModelos,   // RModelos <- APLM
    kCupo,      // RCupo <- CUPO
    kSol,       // RSol <- AEDS
    kCollectionCount
  };
  // The tax collections, both filled by NTAX.
  enum TaxCollection { kBnf, kLqa, kTaxCollectionCount };

  ResultStore(HostComponents& components, TraceFiles& files, ControlUi& ui);

  // At the start of each run: empties the trace files PathDebug +
  // "tarifex.trc", "reglasOk.trc", "reglas.trc", "listasOk.trc" and
  // "listas.trc", and creates fresh collections.  A collection that cannot
  // be created is shown in a box and stays unset; the run goes on.
  void Reset(const std::string& path_debug);

  // Null when it could not be created (or before the first run).
  std::shared_ptr<HostCollection> Get(Collection which) const { return m_collections[which]; }
  std::shared_ptr<HostTaxCollection> GetTaxes(TaxCollection which) const {
    return m_taxes[which];
  }

  // Appends the run's summary to PathDebug + "tarifex.trc": one section per
  // collection, its header (texts 2087 to 2099) and one line per entry.
  void AppendSummary(const std::string& path_debug, std::int16_t lang);

  void MarkOk() { m_ok = true; }
  bool IsOk() const { return m_ok; }

  // Shows a failed creation or a component error in a box on the window
  // that has the focus.
  void ShowComponentError(std::string_view text);

 private:
  HostComponents& m_components;
  TraceFiles& m_files;
  ControlUi& m_ui;
  std::array<std::shared_ptr<HostCollection>, kCollectionCount> m_collections;
  std::array<std::shared_ptr<HostTaxCollection>, kTaxCollectionCount> m_taxes;
  bool m_ok = false;
};

}  // namespace korvex::tarifex
