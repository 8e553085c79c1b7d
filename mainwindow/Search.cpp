#include "mainwindow/Main.h"

namespace tarvolo {

bool TfrmMain::FindDirectory(long) { return false; }
void TfrmMain::DirToFindChange() {}
void TfrmMain::btnFindNextClick() {}
void TfrmMain::SetSearchText(const std::string&) {}

}  // namespace tarvolo
