// uVarnholtCore.cpp — the core's units, wired to one state, one port and one log.
#include "core/uVarnholtCore.h"

namespace varnholt {

TVarnholtCore::TVarnholtCore(std::filesystem::path applicationFolder, TUiPort& port, TLogger& logger,
                             const TCoreWiring& wiring)
    : port_(port),
      logger_(logger),
      driveMap_(wiring.driveFolder.empty() ? applicationFolder : wiring.driveFolder),
      files_(wiring.makeFiles ? wiring.makeFiles(driveMap_)
                              : std::make_unique<platform::TFileSystem>(driveMap_)),
      state_(std::move(applicationFolder)),
      status_(state_, port_, logger_),
      engine_(state_, logger_, status_),
      loading_(state_, port_, logger_, *files_, engine_, status_),
      placement_(state_, port_, logger_, driveMap_, *files_, status_),
      printing_(state_, port_, logger_, *files_, engine_, status_),
      host_(state_, port_, logger_, *files_, status_, engine_, placement_, printing_),
      actionRun_(state_, port_, logger_, status_, host_, clock_),
      journal_(state_, logger_, *files_, status_),
      filing_(state_, port_, logger_, *files_, engine_, status_, loading_, placement_, printing_, actionRun_,
              clock_),
      automatic_(state_, port_, logger_, driveMap_, *files_, status_, loading_, placement_, filing_, clock_),
      scriptEditing_(state_, port_, logger_, status_, actionRun_) {
  filing_.SetJournal(&journal_);
}

}  // namespace varnholt
