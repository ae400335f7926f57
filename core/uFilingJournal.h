// uFilingJournal.h — the core's unit that writes one audit journal entry for every report it handles.
//
// TReportFiling calls Begin before it takes a report (the report's SHA-256 as it arrived, and a listener
// on the logger that keeps the run's records), TextsLoaded once the texts are in, and End with the
// outcome; End writes the entry. The journal file is opened at the first Begin, so a process that never
// files a report never makes one. A journal that cannot be opened or written is an Err record and an
// emergency stop: Begin's failure keeps the report from being filed at all, End's stops the next one.
#pragma once

#include <filesystem>
#include <string>

#include "core/uJournal.h"
#include "core/uProcessingState.h"
#include "core/uReportFiling.h"
#include "core/uStatusIndicator.h"
#include "logging/uLogger.h"
#include "platform/FileSystem.h"

namespace varnholt {

class TFilingJournal {
 public:
  TFilingJournal(TProcessingState& state, TLogger& logger, const platform::TFileSystem& files,
                 TStatusIndicator& status)
      : state_(state), logger_(logger), files_(files), status_(status) {}
  ~TFilingJournal();
  TFilingJournal(const TFilingJournal&) = delete;
  TFilingJournal& operator=(const TFilingJournal&) = delete;

  // False when the journal cannot be written; the Err record and the emergency stop are made.
  bool Begin(const std::string& report, TFilingMode mode);
  void TextsLoaded();
  // Writes the entry of the filing Begin started; a refused Execute handled no report and has none.
  // False when it could not be written (Err record, emergency stop).
  bool End(const TFilingOutcome& outcome);

  std::filesystem::path FileName() const { return state_.ApplicationFolder() / kJournalFileName; }

 private:
  bool Fail(const std::string& what);
  void StopListening();

  TProcessingState& state_;
  TLogger& logger_;
  const platform::TFileSystem& files_;
  TStatusIndicator& status_;
  TJournal journal_;
  TJournalEntry entry_;
  int listener_ = 0;
};

}  // namespace varnholt
