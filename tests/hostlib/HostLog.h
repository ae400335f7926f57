// HostLog.h — a logger in a temporary folder that records every type, for reading back the records that
// host routines write.
#pragma once

#include <string>
#include <vector>

#include "logging/uLogger.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {

struct TRecord {
  std::string type, object, proc, text, data;
};

class THostLog {
 public:
  THostLog();
  TLogger& operator*() { return logger_; }
  // Forgets the records written so far: Records() and Procs() start after this point.
  void Mark() { mark_ = logger_.Count(); }
  std::vector<TRecord> Records() const;
  // "Type Proc" of every record since the mark, e.g. "Prc Between", "Err REFind".
  std::vector<std::string> Procs() const;
  // The records of one type since the mark.
  std::vector<TRecord> OfType(const std::string& type) const;

 private:
  TTempFolder folder_;
  TLogger logger_;
  int mark_ = 0;
};

}  // namespace varnholt::test
