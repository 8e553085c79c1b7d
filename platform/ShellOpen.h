// Opening a folder, a document or an address the way the shell does, with the
// failure told to the user in the program's own words.
#pragma once

#include <windows.h>

#include <string>

namespace tarvolo {

// The message for a shell open of `target` that failed with ShellExecute's
// result `code` (32 or less).
std::string ShellOpenFailureText(const std::string& target, INT_PTR code);

// Opens `target` with its default verb. On failure the user is told why in an
// error box owned by `owner` (null: no owner, for a program hidden in the
// notification area) and false is returned.
bool ShellOpen(HWND owner, const std::string& target);

}  // namespace tarvolo
