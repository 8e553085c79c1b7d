#include "mainwindow/Rescan.h"

#include "mainwindow/Main.h"

namespace tarvolo {

TfrmRescan::TfrmRescan(TfrmMain& main) : main_(main) {}

void TfrmRescan::ScanDrive(const std::string&) {}

void TfrmRescan::btnCancelClick() { Tag = 1; }

}  // namespace tarvolo
