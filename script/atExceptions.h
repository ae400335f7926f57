// atExceptions.h — the engine's exception classes live in atScript_Errors.h; this name stays for the
// compile side's includes.
#pragma once

#include "script/atScript_Errors.h"
