// SystemInfo.h — who and where we run: user name, computer name, administrator rights.
#pragma once

#include <string>
#include <vector>

namespace varnholt::platform {

// The login name of the user running the program (system code page).
std::string UserName();

// The computer's name as Windows shows it: the host name up to its first dot, upper-case, at most
// 15 characters.
std::string ComputerName();

// True for root and for members of the groups sudo, wheel or admin.
bool IsAdministrator();
// The rule behind it, for one account: its user id and the names of the groups it belongs to (group
// names are case-sensitive on Linux, so "Sudo" is another group).
bool IsAdministratorAccount(unsigned userId, const std::vector<std::string>& groupNames);

// The effective user id of this process.
unsigned UserId();
// The names of the groups this process runs with (its effective group and the supplementary ones): a
// group joined after the login does not count until the next one, as for the file permissions.
std::vector<std::string> ProcessGroupNames();
// The home folder: $HOME, else the account's; empty when neither is known.
std::string HomeFolder();

}  // namespace varnholt::platform
