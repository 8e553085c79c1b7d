// The about box and the help entry points.
#pragma once

#include <windows.h>

namespace tarvolo {

void ShowAboutBox(HWND owner);
// Opens the help at its contents.
void ShowHelpContents();

}  // namespace tarvolo
