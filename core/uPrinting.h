// uPrinting.h — printing a PDF on paper through the PDF engine, the switch of the printing mode, and the
// paper printer box's list.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/uEngineBridge.h"
#include "core/uProcessingState.h"
#include "core/uStatusIndicator.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"
#include "platform/FileSystem.h"

namespace varnholt {

class TPrinting {
 public:
  TPrinting(TProcessingState& state, TUiPort& port, TLogger& logger, const platform::TFileSystem& files,
            TEngineBridge& engine, TStatusIndicator& status)
      : state_(state), port_(port), logger_(logger), files_(files), engine_(engine), status_(status) {}

  // Sends file to printer through the engine's PRINT; false (with an Err record) when the file or the
  // printer is missing, and an emergency stop for an unknown printer when stopOnError.
  bool PrintTo(const std::string& file, const std::string& printer, bool stopOnError);
  void PrintingByAcrobatReader();
  void PrintingByVarnholt();
  // Fills the paper printer box from the installed printers.
  void FillPaperPrinters(const std::vector<std::string>& printerList);
  // The installed printers; the platform's list unless a test replaces it.
  std::function<std::vector<std::string>()> PrinterList;

 private:
  TProcessingState& state_;
  TUiPort& port_;
  TLogger& logger_;
  const platform::TFileSystem& files_;
  TEngineBridge& engine_;
  TStatusIndicator& status_;
};

}  // namespace varnholt
