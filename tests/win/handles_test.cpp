// The handle owners close what they own once and keep the live count honest.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Handles.h"

namespace tarvolo {
namespace {

TEST(Unique, CountedOwnersCountWhatTheyHold) {
    const long start = LiveGuiObjects();
    {
        UniqueBrush a(::CreateSolidBrush(RGB(1, 2, 3)));
        EXPECT_EQ(LiveGuiObjects(), start + 1);
        UniqueBrush b(std::move(a));  // moved, not copied: still one
        EXPECT_FALSE(a);
        EXPECT_EQ(LiveGuiObjects(), start + 1);
        a = std::move(b);
        EXPECT_EQ(LiveGuiObjects(), start + 1);
        a.reset(::CreateSolidBrush(RGB(4, 5, 6)));  // the old one is deleted
        EXPECT_EQ(LiveGuiObjects(), start + 1);
        std::vector<UniqueMenu> menus;
        for (int i = 0; i < 3; ++i) menus.emplace_back(::CreatePopupMenu());
        EXPECT_EQ(LiveGuiObjects(), start + 4);
        HMENU handedOver = menus.back().release();  // a new owner closes it
        EXPECT_EQ(LiveGuiObjects(), start + 3);
        ::DestroyMenu(handedOver);
        UniqueIcon none(nullptr);                                             // nothing held, nothing counted
        UniqueHandle kernel(::CreateEventW(nullptr, FALSE, FALSE, nullptr));  // not a GDI or USER object
        EXPECT_EQ(LiveGuiObjects(), start + 3);
    }
    EXPECT_EQ(LiveGuiObjects(), start);
}

// Whether `h` still names an open handle of this process.
bool Open(HANDLE h) {
    DWORD flags = 0;
    return ::GetHandleInformation(h, &flags) != FALSE;
}

TEST(Unique, AFileOwnerTakesInvalidHandleValueForNothing) {
    struct Case {
        const char* name;
        HANDLE held;
    };
    const Case cases[] = {{"INVALID_HANDLE_VALUE", INVALID_HANDLE_VALUE}, {"null", nullptr}};
    for (const Case& c : cases) {
        UniqueFile file(c.held);
        EXPECT_FALSE(file) << c.name;
        UniqueFind find(c.held);
        EXPECT_FALSE(find) << c.name;
        file.reset();  // closes nothing: INVALID_HANDLE_VALUE is the process itself to CloseHandle
        EXPECT_EQ(file.get(), INVALID_HANDLE_VALUE) << c.name;
    }
    EXPECT_EQ(UniqueFile().get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(UniqueHandle().get(), nullptr);
}

TEST(Unique, AMovedFileOwnerHoldsNothingAndTheNewOneClosesOnce) {
    wchar_t folder[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring path =
        std::wstring(folder) + L"tarvolo-handles-" + std::to_wstring(::GetCurrentProcessId());
    HANDLE raw = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(raw, INVALID_HANDLE_VALUE);
    {
        UniqueFile first(raw);
        UniqueFile second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(first.get(), INVALID_HANDLE_VALUE);
        EXPECT_TRUE(second);
        EXPECT_TRUE(Open(raw));
    }
    EXPECT_FALSE(Open(raw)) << "the file stayed open after its owner was gone";
}

TEST(Unique, PutClosesWhatWasHeldBeforeTheCallFillsItIn) {
    HANDLE first = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(first, nullptr);
    UniqueHandle event(first);
    HANDLE* out = event.put();
    EXPECT_FALSE(Open(first)) << "put() left the old handle open";
    EXPECT_FALSE(event);
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), out, 0,
                                  FALSE, DUPLICATE_SAME_ACCESS));
    EXPECT_TRUE(event);
    EXPECT_TRUE(Open(event.get()));
}

// An interface that counts its references, as COM objects do.
class Counted final : public IUnknown {
public:
    explicit Counted(long& released) : released_(released) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (!IsEqualIID(id, IID_IUnknown)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        ++released_;
        return static_cast<ULONG>(--references_);
    }
    long References() const { return references_; }

private:
    long references_ = 1;
    long& released_;
};

TEST(ComPtr, MovesItsReferenceAndReleasesItOnce) {
    long released = 0;
    Counted object(released);
    {
        ComPtr<IUnknown> first(&object);  // takes over the reference the object was made with
        ComPtr<IUnknown> second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(first.get(), nullptr);
        EXPECT_EQ(second.get(), &object);
        first = std::move(second);
        EXPECT_EQ(object.References(), 1);
        EXPECT_EQ(released, 0);
    }
    EXPECT_EQ(released, 1);
    EXPECT_EQ(object.References(), 0);
}

TEST(ComPtr, PutReleasesWhatWasHeldAndTakesWhatTheCallWrites) {
    long released = 0;
    Counted object(released);
    ComPtr<IUnknown> held(&object);
    ComPtr<IUnknown> queried;
    ASSERT_EQ(object.QueryInterface(IID_IUnknown, queried.put()), S_OK);  // through void**
    EXPECT_EQ(object.References(), 2);
    EXPECT_EQ(queried.get(), &object);
    IUnknown** out = queried.put();  // releases the queried reference first
    EXPECT_EQ(object.References(), 1);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(*out, nullptr);
    object.AddRef();  // as a call writing an IUnknown** hands over a reference of its own
    *out = &object;
    EXPECT_EQ(queried.get(), &object);
    queried.reset();
    held.reset();
    EXPECT_EQ(object.References(), 0);
    EXPECT_EQ(released, 3);
}

TEST(ScopeExit, RunsOnceHoweverTheScopeEndsUnlessDismissed) {
    std::string ran;
    {
        const ScopeExit a([&] { ran += "a"; });
    }
    try {
        const ScopeExit b([&] { ran += "b"; });
        throw std::runtime_error("left early");
    } catch (const std::runtime_error&) {
        ran += "!";
    }
    {
        ScopeExit c([&] { ran += "c"; });
        c.Dismiss();
    }
    EXPECT_EQ(ran, "ab!");
}

// On a thread of its own, so the test's apartment is the only one there.
TEST(ComApartment, UndoesOnlyTheStartsThatSucceeded) {
    std::thread([] {
        {
            const ComApartment mta(COINIT_MULTITHREADED);
            ASSERT_EQ(mta.Result(), S_OK);
            {
                const ComApartment sta(COINIT_APARTMENTTHREADED);
                EXPECT_EQ(sta.Result(), RPC_E_CHANGED_MODE);
            }
            // Had the refused start been undone, COM would be off here and this a fresh start.
            const ComApartment again(COINIT_MULTITHREADED);
            EXPECT_EQ(again.Result(), S_FALSE) << "the refused start took COM away from the thread";
        }
        const ComApartment after(COINIT_APARTMENTTHREADED);
        EXPECT_EQ(after.Result(), S_OK) << "COM stayed on after every owner was gone";
    }).join();
}

}  // namespace
}  // namespace tarvolo
