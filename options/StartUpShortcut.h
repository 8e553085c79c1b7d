// "Run At Start Up" lives in a file, not a setting: a shell shortcut in the
// user's Startup folder that starts the program with "MIN". The option is on
// exactly when that file exists.
#pragma once

#include <string>

namespace tarvolo {

// The file-system path of a shell special folder (a CSIDL); empty when the shell has none.
std::string SpecialFolderPath(int csidl);
// The Startup folder followed by "\Tarvolo.Lnk"; empty when there is no Startup folder.
std::string StartUpShortcutPath();

bool StartUpShortcutExists();
// Creates the shortcut when no file of its name exists; an existing one is left as it is.
void CreateStartUpShortcut();
void DeleteStartUpShortcut();

}  // namespace tarvolo
