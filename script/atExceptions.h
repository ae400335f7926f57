// atExceptions.h — the compile side's name for the engine's exception classes, which live in
// atScript_Errors.h so that compiler, virtual machine and scripter share one definition of each.
#pragma once

#include "script/atScript_Errors.h"
