// The shown drive's rows follow the disk: the watch's changes are applied in
// place, keeping the selection and the scroll position, and the index file is
// rewritten once the changes have settled. Every other fixed drive with an
// index is watched too; its changes reach its index file (OffscreenDrives),
// and the changes its file does not hold yet come along when it is chosen.
// Their rows are held in the model for a search over every drive, read in the
// background after start and again once their file took changes.
// The window's thread never waits for a disk here: index files are written on
// threads of their own from copies of the rows they take first.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "adapters/BackgroundScan.h"
#include "adapters/DriveLoads.h"
#include "adapters/DriveWatcher.h"
#include "adapters/OffscreenDrives.h"
#include "index/Rows.h"
#include "model/Model.h"
#include "model/WriteRetry.h"
#include "platform/Controls.h"

namespace tarvolo {

// What the live index needs of the window that shows the rows.
class LiveIndexView {
public:
    virtual ~LiveIndexView() = default;
    virtual std::string ShownDrive() const = 0;                 // "C:", empty for none
    virtual std::vector<std::string> ListedDrives() const = 0;  // the drive list's entries, "C:"
    virtual bool ScanWindowBusy() const = 0;                    // the progress window walks a drive
    // The shown drive's rows are being read from its file: as during a scan, the changes wait for them.
    virtual bool RowsComing() const = 0;
    virtual long SelectedListRow() const = 0;  // -1 for none
    virtual void SelectListRow(long row) = 0;
    virtual long FirstShownRow() const = 0;  // -1 for none
    virtual void ShowFromRow(size_t row) = 0;
    // The list draws nothing while the rows change in several steps, and once
    // as a whole when the guard ends.
    virtual RedrawHeld HoldListRedraw() = 0;
    // The model's rows were edited in place: the list takes their count, and
    // their names are folded again for the search once the list is drawn.
    virtual void RowsEdited() = 0;
    // New rows (a walk's) replace the model's and are shown.
    virtual void ShowRows(RowStore rows) = 0;
    // The selected row now names another directory than before the change
    // (its own was renamed or removed): the current path follows it.
    virtual void SelectedRowMoved() = 0;
};

class LiveIndex {
public:
    // The watches announce themselves to `window` with the messages below, and
    // the settle timer runs on it; the window hands each to OnMessage.
    LiveIndex(HWND window, Model& model, LiveIndexView& view);
    ~LiveIndex();
    LiveIndex(const LiveIndex&) = delete;
    LiveIndex& operator=(const LiveIndex&) = delete;

    static constexpr UINT kDriveChangedMessage = WM_APP + 13;
    static constexpr UINT kBackgroundScanMessage = WM_APP + 14;
    static constexpr UINT kBatchAppliedMessage = WM_APP + 15;
    static constexpr UINT kIndexWrittenMessage = WM_APP + 16;
    static constexpr UINT kDriveLoadedMessage = WM_APP + 17;
    static constexpr UINT kDrivesChangedMessage = WM_APP + 18;
    static constexpr UINT kCatchUpWalkedMessage = WM_APP + 19;
    static constexpr UINT_PTR kSaveTimer = 13;
    static constexpr UINT_PTR kCatchUpTimer = 14;
    // True when the message (or the timer) was the live index's and is handled.
    bool OnMessage(UINT msg, WPARAM wp);

    // Watches `drive` ("C:", empty for none), whose rows are about to be read
    // or scanned; the drive leaving the screen goes on being watched off it.
    // The drive watched already (a reload) keeps its watch and a walk in the
    // background: what they hold comes after the rows read, whose file is
    // written first with every change taken.
    void WatchDrive(const std::string& drive);
    // The progress window is about to walk the shown drive: a walk in the
    // background and a batch under way are of no more use, their changes are
    // on the disk the walk sees.
    void ShownDriveWalks();
    // The shown drive's rows were read from its file. The first time in this run
    // (and with CheckAtStart), the drive is walked in the background and what
    // changed on the disk while the program was closed is applied as a batch.
    // `position` is the change journal's position saved beside the file read
    // (IndexRead::position): the catch-up replays the journal from there where it can.
    void RowsRead(const std::string& drive, const std::string& position);
    // Applies the changes that came in while rows were read or walked, later,
    // once the window's messages run again; and takes a walk that ended while
    // the rows were being read (RowsComing).
    void CatchUpLater();
    // After the options changed: new directories follow the new filter. When
    // the leave-out rules are not those of `leaveOutBefore`, the rows they now
    // leave out go from the shown drive at once, the drive is walked again when
    // a rule went, and the other drives are walked again on their threads.
    void FilterChanged(const std::shared_ptr<const LeaveOut>& leaveOutBefore);

    // Every fixed drive is searched at once (Quick Jump): the drives not on show
    // keep their rows in the model (Model::held), read in the background after
    // start and read again whenever their index file took their changes.
    // The drives listed whose rows are still being read ("D:").
    std::vector<std::string> DrivesStillLoading() const;
    // Posts kDrivesChangedMessage to the window: a drive was loaded or its rows changed.
    void DrivesChanged();
    // Before the shown drive changes: the batch under way is taken and the other drives' writes
    // started. The shown drive's rows are written by WatchDrive, off this thread when the drive
    // leaves the screen.
    void Save();
    // As Save, at the close or the end of the session: from now on every write
    // is done before the call returns.
    void SaveBeforeExit();

private:
    // The changes taken from the watch, applied on a thread of their own to
    // the rows on screen, which the window goes on painting and searching
    // meanwhile: the rows are only replaced once the new ones, their tree
    // codes and their folded names are ready.
    struct Batch;
    // The index file written from a copy of the rows, on a thread of its own.
    struct SaveJob;
    void DriveChanged();
    void BackgroundScanDone();
    // The drives read in the background go into the model.
    void DrivesLoaded();
    // The drives not on show whose files took their changes are read again.
    void ReadRewrittenDrives();
    // Starts reading every listed drive with an index that is not shown, held or being read.
    void LoadOtherDrives(const std::string& shownRoot);
    // `prune`: the rows the leave-out rules leave out go too. `walked` (when not empty): a walk of
    // the drive, whose difference from the rows comes before the changes.
    void StartBatch(std::vector<ResolvedChange> changes, bool prune = false, RowStore walked = RowStore());
    // A drive whose rows were read from its file for the first time in this run is checked against
    // its disk, once the wait after a start at logon is over.
    void CatchUpDrive(const std::string& root);
    void StartDueCatchUps();
    // The shown drive walked in background mode for the catch-up; the changes applied meanwhile are
    // kept, to come again after the walk's difference (which may undo them: the walk saw the disk
    // before or after each).
    void StartShownCatchUp();
    void CancelShownCatchUp();
    // The shown drive walked again without the progress window, with the filter as it is now.
    void StartBackgroundScan();
    // The batch's rows replace the model's. Waits for the batch when it still runs.
    void FinishBatch();
    // The model's rows are about to be replaced: the batch is of no more use.
    void CancelBatch();
    // The settle timer: the index file is written on a thread from the rows as they are.
    void SaveSettled();
    void StartSave();
    // On this thread, when the rows wait to be written.
    void WriteShownRows();
    // The model's rows are about to be replaced: every write under way must have its copy of them.
    void RowsAboutToChange();
    // Takes the writes that ended, and (`root` not empty) the one of `root`, waited for. A failure is
    // tried again later, and the first of a run is told (failedToTell_).
    void CollectSaves(const std::string& root = std::string());
    SaveJob* SaveUnderWay(const std::string& root) const;

    HWND window_;
    Model& model_;
    LiveIndexView& view_;
    bool unsaved_ = false;
    bool exiting_ = false;
    // The leave-out rules changed, or a drive came on screen: the next batch takes out the rows
    // they leave out, and (walkShown_) asks for a walk of the drive, which finds what they let in.
    bool pruneRows_ = false;
    bool walkShown_ = false;
    std::unique_ptr<DriveWatcher> watcher_;
    std::unique_ptr<OffscreenDrives> offscreen_;  // the other drives with an index
    std::unique_ptr<DriveLoads> loads_;           // their rows, read for the model
    // The other drives are read once the shown drive's rows are on screen: it comes first.
    bool loadOthers_ = false;
    // A watch that lost changes: the drive is walked again without the progress window.
    std::unique_ptr<BackgroundScan> backgroundScan_;
    // It ended while the shown drive's rows were being read: taken once they are there.
    bool walkEndedWhileRead_ = false;
    // The catch-up at start: the drives checked in this run, those waiting for their check (a start
    // at logon waits a minute first, until catchUpFrom_), the shown drive's walk and the changes
    // applied since it began.
    std::set<std::string> checked_;
    std::vector<std::string> dueCatchUps_;
    ULONGLONG catchUpFrom_ = 0;
    std::unique_ptr<BackgroundScan> catchUp_;
    std::vector<ResolvedChange> sinceCatchUp_;
    // The journal position the catch-up's rows will hold, written by its thread.
    std::shared_ptr<std::string> catchUpPosition_;
    // The journal position each drive's rows on screen hold: written beside their index file with them.
    std::map<std::string, std::string> positions_;
    std::string PositionOf(const std::string& root) const;
    std::unique_ptr<Batch> batch_;  // the batch under way, or done and not yet taken
    // Index files being written, one at most per drive; a drive's next write waits for its last.
    std::vector<std::unique_ptr<SaveJob>> saves_;
    WriteRetry retry_;          // the settle-time writes that fail
    std::string failedToTell_;  // the drive whose write failed, for the user to be told
};

}  // namespace tarvolo
