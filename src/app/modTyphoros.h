// SPDX-License-Identifier: MIT
// Start-up of the game: the settings store and the game window.
#pragma once

#include "platform/DataFolders.h"

#include <QString>
#include <memory>

class World;
class clsSetup;
class frmMain;
class RuntimeError;

namespace modTyphoros {

// The one settings store of the process, created by Main and alive until the
// process ends; null before Main runs.
extern std::unique_ptr<clsSetup> gclsSetup;

// Creates gclsSetup from `folders`, loads the game window and shows
// it, and returns the window (owned by the caller). A run-time error on the
// way (a missing question file) is thrown before anything is shown.
std::unique_ptr<frmMain> Main(World &world, const DataFolders &folders);

// Reports `error` as the standard run-time error report: a line on stderr and
// a modal box titled "Typhoros". Returns the exit code the program ends with
// (the error number, never 0).
int ReportRuntimeError(World &world, const RuntimeError &error);

} // namespace modTyphoros
