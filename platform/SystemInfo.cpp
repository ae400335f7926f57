// SystemInfo.cpp — user, computer and administrator facts from the C library.
#include "platform/SystemInfo.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/CodePage.h"

namespace varnholt::platform {

std::string UserName() {
  std::vector<char> buffer(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return Utf8ToCp1252(found->pw_name);
  }
  return std::to_string(::geteuid());
}

std::string ComputerName() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return {};
  std::string name(host);
  name = name.substr(0, name.find('.'));
  name = AnsiUpperCase(Utf8ToCp1252(name));
  // Windows computer (NetBIOS) names have at most 15 characters.
  if (name.size() > 15) name.resize(15);
  return name;
}

bool IsAdministratorAccount(unsigned userId, const std::vector<std::string>& groupNames) {
  if (userId == 0) return true;
  for (const std::string& name : groupNames) {
    if (name == "sudo" || name == "wheel" || name == "admin") return true;
  }
  return false;
}

namespace {

// The names of groups; a group the system cannot name is left out.
std::vector<std::string> GroupNames(const std::vector<gid_t>& groups) {
  std::vector<std::string> names;
  for (gid_t gid : groups) {
    group gr{};
    group* g = nullptr;
    std::vector<char> gbuf(16384);
    if (getgrgid_r(gid, &gr, gbuf.data(), gbuf.size(), &g) != 0 || g == nullptr) continue;
    names.emplace_back(g->gr_name);
  }
  return names;
}

}  // namespace

bool IsAdministrator() {
  const uid_t uid = ::geteuid();
  if (uid == 0) return true;
  std::vector<char> buffer(16384);
  passwd pw{};
  passwd* found = nullptr;
  // An account that cannot be looked up counts as no administrator.
  if (getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return false;
  int count = 64;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  if (getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0) {
    groups.resize(static_cast<std::size_t>(count));
    if (getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0) return false;
  }
  groups.resize(static_cast<std::size_t>(count));
  return IsAdministratorAccount(uid, GroupNames(groups));
}

unsigned UserId() {
  return ::geteuid();
}

std::vector<std::string> ProcessGroupNames() {
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))) + 1);
  const int count = ::getgroups(static_cast<int>(groups.size() - 1), groups.data());
  groups.resize(count < 0 ? 0 : static_cast<std::size_t>(count));
  groups.push_back(::getegid());
  return GroupNames(groups);
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  std::vector<char> buffer(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return {};
}

}  // namespace varnholt::platform
