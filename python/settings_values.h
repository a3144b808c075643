#pragma once

// The settings as run_batch and read_settings take and give them: the 21
// parameters of the table by their names, then the correction's keywords
// (python/correction_keywords.h).

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

#include "python/call_arguments.h"
#include "settings/stored_settings.h"

namespace projconv {

// A settings file's name, or nothing for None.
std::optional<std::string> SettingsPath(const Argument& path);

// As projconv-batch starts: a named file, or the desktop program's file when
// there is one, or the built-in defaults. A file with problems raises
// ValueError naming them.
StoredLoad BaseSettings(const std::optional<std::string>& path);

// Every parameter and every correction keyword, in order.
py::dict SettingsDict(const StoredLoad& settings);

// Sets the one value `argument` names; a TypeError for a name that is none.
void Override(StoredLoad& settings, const Argument& argument);

// The keys read_settings gives, for its docstring, wrapped as the rest of it.
std::string ReadSettingsDoc();

}  // namespace projconv
