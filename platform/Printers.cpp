// Printers.cpp — the printer list, print jobs and queue setup through libcups.
#include "platform/Printers.h"

#include <cups/cups.h>

#include <algorithm>
#include <memory>

#include "platform/CodePage.h"

namespace varnholt::platform {

namespace {

// The destination list of CUPS, freed on every way out. No server answering gives an empty list.
class TDests {
 public:
  TDests() { count_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_); }
  ~TDests() { cupsFreeDests(count_, dests_); }
  TDests(const TDests&) = delete;
  TDests& operator=(const TDests&) = delete;

  const cups_dest_t* begin() const { return dests_; }
  const cups_dest_t* end() const { return dests_ + count_; }
  // A destination without instance, looked up without regard to case as CUPS itself does.
  const cups_dest_t* Find(const std::string& utf8Name) const {
    return cupsGetDest(utf8Name.c_str(), nullptr, count_, dests_);
  }

 private:
  cups_dest_t* dests_ = nullptr;
  int count_ = 0;
};

std::string Option(const cups_dest_t& dest, const char* name) {
  const char* value = cupsGetOption(name, dest.num_options, dest.options);
  return value == nullptr ? std::string() : std::string(value);
}

std::string LastCupsError() {
  return Utf8ToCp1252(cupsLastErrorString());
}

}  // namespace

bool PrintServerAnswers() {
  http_t* http =
      httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
  if (http == nullptr) return false;
  httpClose(http);
  return true;
}

std::vector<std::string> InstalledPrinters() {
  std::vector<std::string> names;
  for (const auto& d : TDests()) {
    if (d.instance == nullptr) names.push_back(Utf8ToCp1252(d.name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string DefaultPrinter() {
  for (const auto& d : TDests()) {
    if (d.is_default) return Utf8ToCp1252(d.name);
  }
  return {};
}

bool IsPrinterInstalled(std::string_view name) {
  const auto printers = InstalledPrinters();
  return std::any_of(printers.begin(), printers.end(),
                     [&](const std::string& p) { return AnsiSameText(p, name); });
}

std::vector<TPrinterQueue> PrinterQueues() {
  std::vector<TPrinterQueue> queues;
  for (const auto& d : TDests()) {
    if (d.instance != nullptr) continue;
    TPrinterQueue q;
    q.name = Utf8ToCp1252(d.name);
    q.deviceUri = Utf8ToCp1252(Option(d, "device-uri"));
    q.isDefault = d.is_default != 0;
    q.acceptingJobs = Option(d, "printer-is-accepting-jobs") != "false";
    q.stopped = Option(d, "printer-state") == "5";
    queues.push_back(std::move(q));
  }
  std::sort(queues.begin(), queues.end(),
            [](const TPrinterQueue& a, const TPrinterQueue& b) { return a.name < b.name; });
  return queues;
}

TPrintJob PrintFile(std::string_view printer, const std::filesystem::path& file, std::string_view title) {
  TPrintJob job;
  TDests dests;
  const cups_dest_t* dest = dests.Find(Cp1252ToUtf8(printer));
  if (dest == nullptr) {
    job.state = TPrintJob::TState::UnknownPrinter;
    job.error = LastCupsError();
    return job;
  }
  job.name = Utf8ToCp1252(dest->name);
  const std::string utf8Title = Cp1252ToUtf8(title);
  job.id = cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, file.c_str(), utf8Title.c_str(), dest->num_options,
                          dest->options);
  if (job.id == 0) {
    job.state = TPrintJob::TState::Refused;
    job.error = LastCupsError();
  }
  return job;
}

TStatus SetUpPrinterQueue(const TQueueSetup& setup) {
  const std::string name = Cp1252ToUtf8(setup.name);
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                   name.c_str());
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr,
               Cp1252ToUtf8(setup.deviceUri).c_str());
  if (!setup.info.empty()) {
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr,
                 Cp1252ToUtf8(setup.info).c_str());
  }
  ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
  ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
  const std::string ppd = setup.ppdFile.string();
  // cupsDoFileRequest frees the request and sends the file, when given, as the queue's new PPD.
  ipp_t* response =
      cupsDoFileRequest(CUPS_HTTP_DEFAULT, request, "/admin/", ppd.empty() ? nullptr : ppd.c_str());
  ippDelete(response);
  if (cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
    return TStatus::Fail("The print server refused to set up the printer \"" + setup.name +
                         "\": " + LastCupsError());
  }
  return TStatus::Ok();
}

TStatus SetDefaultPrinter(std::string_view name) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                   Cp1252ToUtf8(name).c_str());
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_SET_DEFAULT);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippDelete(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/admin/"));
  if (cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
    return TStatus::Fail("The print server refused to make \"" + std::string(name) +
                         "\" the default printer: " + LastCupsError());
  }
  return TStatus::Ok();
}

void UsePrintServer(std::string_view server) {
  const std::string s(server);
  cupsSetServer(s.empty() ? nullptr : s.c_str());
}

}  // namespace varnholt::platform
