#include "mainwindow/Main.h"

namespace tarvolo {

void TfrmMain::FillDriveList() {}
void TfrmMain::cmbDrivesChange() {}
void TfrmMain::btnRescanClick() {}
void TfrmMain::cmbDrivesDrawItem(const DRAWITEMSTRUCT&) {}
std::string TfrmMain::SelectedDrive() const { return {}; }

}  // namespace tarvolo
