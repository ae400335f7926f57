// HostLog.cpp — reading back the records of host routines.
#include "tests/hostlib/HostLog.h"

#include <sstream>

namespace varnholt::test {

THostLog::THostLog() : logger_(folder_ / "host.LOG", false, 1000000, 0xFF) {
  logger_.SetEnabled(true);
  Mark();
}

std::vector<TRecord> THostLog::Records() const {
  std::vector<TRecord> records;
  for (int i = mark_; i < logger_.Count(); ++i) {
    std::vector<std::string> fields;
    std::stringstream line(logger_.Line(i));
    for (std::string field; std::getline(line, field, '\t');) fields.push_back(field);
    fields.resize(7);
    records.push_back({fields[2], fields[3], fields[4], fields[5], fields[6]});
  }
  return records;
}

std::vector<std::string> THostLog::Procs() const {
  std::vector<std::string> procs;
  for (const auto& record : Records()) procs.push_back(record.type + " " + record.proc);
  return procs;
}

std::vector<TRecord> THostLog::OfType(const std::string& type) const {
  std::vector<TRecord> records;
  for (auto& record : Records())
    if (record.type == type) records.push_back(record);
  return records;
}

}  // namespace varnholt::test
