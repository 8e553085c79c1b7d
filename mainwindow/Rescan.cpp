#include "mainwindow/Rescan.h"

#include "adapters/WinDirectoryLister.h"
#include "adapters/WinLocale.h"
#include "index/IndexFile.h"
#include "platform/Application.h"
#include "platform/Handles.h"

namespace tarvolo {

namespace {

enum { IDC_INFODRIVE = 300, IDC_ANIMATE, IDC_BTNCANCEL, IDC_INFO };

constexpr int kClientWidth = 233;
constexpr int kClientHeight = 103;

// The Cancel button never takes the focus: it would draw a focus frame in a
// window whose only purpose is to be clicked once.
LRESULT CALLBACK NoFocusButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_SETFOCUS) return 0;
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

// A red no-entry sign on yellow, the yellow left out by the image list's mask.
// Drawn at `size` (16 at 96 DPI), so it is sharp at every scale.
UniqueImageList CreateCancelPicture(HDC screen, int size) {
    constexpr COLORREF kYellow = RGB(255, 255, 0);
    UniqueImageList list(::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 1, 0));
    if (!list) return list;
    UniqueBitmap bitmap(::CreateCompatibleBitmap(screen, size, size));
    {
        MemoryDC dc(screen);
        SelectGuard keepBitmap(dc, bitmap.get());
        UniqueBrush yellow(::CreateSolidBrush(kYellow));
        RECT all{0, 0, size, size};
        ::FillRect(dc, &all, yellow.get());
        UniqueBrush red(::CreateSolidBrush(RGB(220, 0, 0)));
        SelectGuard keepBrush(dc, red.get());
        SelectGuard keepPen(dc, ::GetStockObject(NULL_PEN));
        ::Ellipse(dc, 0, 0, size + 1, size + 1);
        RECT bar{size * 3 / 16, size * 6 / 16, size * 13 / 16, size * 10 / 16};
        ::FillRect(dc, &bar, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    }
    ::ImageList_AddMasked(list.get(), bitmap.get(), kYellow);
    return list;
}

}  // namespace

// Connects the walk to the window: the count line, the message pump and the
// Cancel button.
class TfrmRescan::Observer : public ScanObserver {
public:
    explicit Observer(TfrmRescan& form) : form_(form) { ReadFilter(); }

    void Progress(uint32_t dirCount) override {
        if (dirCount == shown_) return;
        shown_ = dirCount;
        form_.Info.SetText("Directories Indexed: " + std::to_string(dirCount));
    }
    void Pump() override {
        Application::Get().ProcessMessages();
        ReadFilter();
    }
    bool CancelRequested() override { return form_.Tag == 1 || Application::Get().Ending(); }
    void Ended(bool complete) override { form_.cutShort_ = !complete; }
    void RootUnlisted() override { rootUnlisted = true; }
    void Unlisted(std::string_view row) override { unlisted.emplace_back(row); }

    ScanFilter filter;
    bool rootUnlisted = false;
    std::vector<std::string> unlisted;

private:
    // The filters may change while messages run; the walk reads them at every directory.
    void ReadFilter() { filter = form_.model_.settings.Filter(); }

    TfrmRescan& form_;
    uint32_t shown_ = 0;
};

TfrmRescan::TfrmRescan(HWND mainWindow, Model& model, std::function<void(RowStore)> showRows)
    : mainWindow_(mainWindow), model_(model), showRows_(std::move(showRows)) {
    FormArgs args;
    args.caption = "Rescan";
    args.className = L"TfrmRescan";
    // A dialog frame without caption bits: no title bar, no system menu, no
    // close button, and nothing to drag the window by.
    args.style = (WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN) & ~WS_CAPTION;
    args.exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
    args.SetClientSize(kClientWidth, kClientHeight);
    CreateForm(args);

    labelFont_.reset(CreateScaledFont(L"Arial", -15, true));
    // "Scaning" is the program's own spelling, kept as its users know it.
    AddControl({L"STATIC", "Scaning Drive ", SS_CENTER | SS_NOPREFIX, 0, IDC_INFODRIVE, 0, 13, 233, 20},
               infoDrive);
    AddControl({ANIMATE_CLASSW, "", ACS_TRANSPARENT, 0, IDC_ANIMATE, 54, 40, 32, 32}, Animate);
    AddControl({L"BUTTON", "Cancel", BS_PUSHBUTTON, 0, IDC_BTNCANCEL, 98, 45, 81, 24}, btnCancel);
    AddControl({L"STATIC", "Directories Indexed: ", SS_CENTER | SS_NOPREFIX, 0, IDC_INFO, 0, 77, 233, 20},
               Info);
    for (const Label& label : {infoDrive, Info}) label.SetFont(labelFont_.get());

    ::SetWindowSubclass(btnCancel.Handle(), &NoFocusButtonProc, 1, 0);
    cancelPicture_ = CreateCancelPicture(WindowDC(), Scaled(16));
    if (cancelPicture_) {
        BUTTON_IMAGELIST bil{};
        bil.himl = cancelPicture_.get();
        bil.margin = RECT{Scaled(4), 0, 0, 0};
        bil.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
        ::SendMessageW(btnCancel.Handle(), BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
    }
    OnClick(IDC_BTNCANCEL, [this] { btnCancelClick(); });
    FormCreate();
}

TfrmRescan::~TfrmRescan() {
    if (Animate.Handle()) Animate.Close();
    DestroyForm();
}

void TfrmRescan::FormCreate() {
    Animate.Open(Application::Get().Instance(), L"AVI_HAND");
}

void TfrmRescan::StartAnimation() {
    Animate.Play(static_cast<UINT>(-1), 0, 0xFFFF);
}

void TfrmRescan::StopAnimation() {
    Animate.Stop();
    // Back to the first frame, as at rest.
    Animate.Play(1, 0, 0);
}

void TfrmRescan::btnCancelClick() {
    Tag = 1;
}

void TfrmRescan::FormClose() {
    // A program on its way out asks nothing of the user. A Cancel that came
    // after the last directory was listed cut nothing: the index is whole, and
    // the user is not sent to scan again. The words are the program's own, "Scaning" too.
    if (Tag == 1 && cutShort_ && !Application::Get().Ending())
        ShowInformation(mainWindow_, "Scaning canceled!\r\nPlease rescan whole drive, as soon as possible");
}

LRESULT TfrmRescan::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            // Closing hides the window; it is reused by the next scan.
            ::ShowWindow(hwnd_, SW_HIDE);
            FormClose();
            return 0;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_MOVE || (wp & 0xFFF0) == SC_CLOSE) return 0;
            break;
        default:
            break;
    }
    return Form::WndProc(msg, wp, lp);
}

bool TfrmRescan::ScanDrive(const std::string& root, const RowStore* known) {
    // Messages run during the walk; a second scan must not start inside the first.
    if (scanning_) return false;
    scanning_ = true;
    HWND mainWindow = mainWindow_;

    RECT m{}, own{};
    ::GetWindowRect(mainWindow, &m);
    ::GetWindowRect(hwnd_, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    const int top = m.top + (m.bottom - m.top - height) / 2 - 20;
    const int left = m.left + (m.right - m.left - width) / 2;
    ::SetWindowPos(hwnd_, HWND_TOPMOST, left, top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);

    ::EnableWindow(mainWindow, FALSE);
    infoDrive.SetText("Scaning Drive " + root.substr(0, 2));
    Info.SetText("Directories Indexed: 0");
    ::ShowWindow(hwnd_, SW_SHOW);
    ::UpdateWindow(hwnd_);
    StartAnimation();

    RootPath = root;
    Tag = 0;
    cutShort_ = false;

    const DriveIndexPaths index = model_.IndexPaths(root);
    bool saved = false;
    bool unlisted = false;
    {
        // However the scan ends, the main window is usable again and this window gone.
        const ScopeExit finish([this, mainWindow] {
            StopAnimation();
            ::EnableWindow(mainWindow, TRUE);
            if (::GetActiveWindow() == hwnd_ || !::GetActiveWindow()) ::SetActiveWindow(mainWindow);
            Close();
            scanning_ = false;
        });
        Observer observer(*this);
        WinDirectoryLister lister;
        const WinCollator collator;
        // The walk runs on worker threads; this thread shows the count and answers Cancel.
        RowStore rows =
            WalkDirectoriesParallel(RootPath, observer.filter, lister, collator, observer, ScanThreadCount());
        // A walk cut short because the program ends (Close, the end of the session)
        // is no index: the drive's old file stays as it was, or stays absent. Only
        // the user's own Cancel keeps what was found so far.
        if (Application::Get().Ending()) return false;
        // A drive that could not be listed (locked, pulled) has told nothing of its folders: the rows and
        // the file stay as they were.
        unlisted = observer.rootUnlisted;
        if (!unlisted) {
            if (known) KeepKnownBelow(rows, *known, observer.unlisted, collator);
            const std::string text = IndexFileText(rows);
            showRows_(std::move(rows));
            saved = model_.SaveDriveIndex(index.path, index.localPath, text);
        }
    }
    if (unlisted) {
        Application::Get().ShowError("Cannot read drive " + root.substr(0, 2));
        return false;
    }
    if (!saved) Application::Get().ShowError("Cannot create file " + index.path);
    return true;
}

}  // namespace tarvolo
