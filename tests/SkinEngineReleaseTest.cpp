// The real skin engine loaded, used and released a hundred times in one
// process, alone in its program: nothing it made may outlive a round.
//
// Memory is judged against a control library (RuntimeControl.cpp) loaded and
// freed as often in the same process. The engine carries a statically linked
// C++ runtime, and that runtime's thread support leaves a few hundred bytes,
// one TLS slot and two handles behind each time a library with it is unloaded;
// the control has the same runtime and nothing else, so its rounds show that
// share and the engine's rounds may add nothing to it.
//
// Private bytes are not the measure: under this Wine they are the resident
// memory of the Linux process, here the emulator's, whose cache of translated
// code grows every time the library's code is mapped anew (some 60 KB a round
// for a library that does nothing, about 1 MB for a full engine round) while
// the Windows side of the process keeps the same size.
#include "SkinTestSupport.h"

#include <cstdio>
#include <vector>

namespace {

const std::string kControlDll = HostPath(CONTROL_DLL);
constexpr int kRounds = 100;
// The first rounds fill what Wine keeps for good: caches of fonts and window
// classes, atoms, the working size of the heaps.
constexpr int kSettlingRounds = 10;
constexpr int kMeasuredRounds = kRounds - kSettlingRounds;

// Bytes in use come out the same to the byte for the control and the engine
// (352 a round each, the runtime's share). The margin is under 12 bytes a
// round: a 20-byte block the engine left behind on every round fails, as tried.
constexpr long long kHeapMargin = 1024;
// The heaps commit memory 64 KB at a time, and one such step may fall into
// either set of rounds; a leak of whole pages, such as a bitmap's bits, does
// not hide in it for long.
constexpr long long kCommitMargin = 64 * 1024;
// The control's own share, about three times what the runtime leaves today:
// a control that leaks more than that would make the comparison meaningless.
constexpr long long kControlCeiling = 1024LL * kMeasuredRounds;

// What a process holds that a library could fail to give back.
struct Footprint {
    long long heapBytes = 0;  // in use, in all heaps of the process
    long long committed = 0;  // private memory committed
    long long tlsSlot = 0;    // the lowest free TLS slot
};

Footprint operator-(const Footprint& after, const Footprint& before)
{
    return {after.heapBytes - before.heapBytes, after.committed - before.committed,
            after.tlsSlot - before.tlsSlot};
}

Footprint Measure()
{
    Footprint now;
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    EXPECT_LE(count, 64u) << "heaps beyond the first 64 go uncounted";
    for (DWORD i = 0; i < count && i < 64; ++i) {
        HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                now.heapBytes += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    MEMORY_BASIC_INFORMATION region;
    const char* at = nullptr;
    while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            now.committed += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    const DWORD slot = TlsAlloc();
    EXPECT_NE(TLS_OUT_OF_INDEXES, slot);
    TlsFree(slot);
    now.tlsSlot = slot;
    return now;
}

// A thread's TLS slots past the first 64 live in a table made when the first
// of them is taken; take it now, so that neither set of rounds pays for it.
void ReachExpansionSlots()
{
    std::vector<DWORD> taken;
    DWORD slot;
    do {
        slot = TlsAlloc();
        ASSERT_NE(TLS_OUT_OF_INDEXES, slot);
        taken.push_back(slot);
    } while (slot < TLS_MINIMUM_AVAILABLE);
    for (DWORD each : taken)
        TlsFree(each);
}

// Loaded, called and released: false if any step failed or the library stayed.
bool ControlRound()
{
    HMODULE control = LoadLibraryA(kControlDll.c_str());
    if (!control)
        return false;
    using LengthFn = int (*)(const char*);
    const auto length = reinterpret_cast<LengthFn>(
        reinterpret_cast<void*>(GetProcAddress(control, "ControlLength")));
    const bool answered = length && length("Velumo") == 6;
    return FreeLibrary(control) && answered && !GetModuleHandleA(kControlDll.c_str());
}

void Report(const char* what, const Footprint& growth)
{
    std::printf("%-8s over %d rounds: heap in use %+lld bytes, committed %+lld bytes, "
                "TLS slots %+lld\n",
                what, kMeasuredRounds, growth.heapBytes, growth.committed, growth.tlsSlot);
}

TEST_F(SkinEngineTest, LoadingAndReleasingAHundredTimesLeaksNothing)
{
    ReachExpansionSlots();
    // The controls page needs these classes; loading them is not the engine's.
    ASSERT_TRUE(LoadControlLibraries());
    // The skin's font, held by the label: each must be gone after its round.
    std::vector<HFONT> fonts;
    fonts.reserve(kRounds);  // the list's own growth must not count as the engine's
    const GuiCounts start = CountGuiObjects();

    Footprint settled;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_TRUE(ControlRound()) << "round " << round;
        if (round + 1 == kSettlingRounds)
            settled = Measure();
    }
    const Footprint control = Measure() - settled;

    for (int round = 0; round < kRounds; ++round) {
        ASSERT_TRUE(copy.Load()) << "round " << round;
        SkinEngineApply(copy.engine(), SkinFilePath("Ornix.skf").c_str());
        {
            TestDialog dialog(kMainDialog);
            ASSERT_NE(nullptr, dialog.get());
            ASSERT_TRUE(copy.engine().SetCustomSkinWnd(dialog.item(kBanner), L"banner_velumo", 0));
            ASSERT_EQ(RGB(0x1F, 0x3A, 0x4D), DialogFaceColour(dialog.get())) << "round " << round;
            // Every painter of the engine draws in every fifth round (all of
            // them would take too long): frame, glyphs, fields, lists,
            // progress and scroll bars. A GDI object it kept would show in
            // the counts, a block of memory in the heap.
            if (round % 5 == 0) {
                TestDialog page(kControlsDialog);
                ASSERT_NE(nullptr, page.get()) << "round " << round;
            }
        }
        copy.Release();
        ASSERT_EQ(nullptr, GetModuleHandleA(copy.path().c_str())) << "round " << round;
        if (round + 1 == kSettlingRounds)
            settled = Measure();
    }
    const Footprint engine = Measure() - settled;
    Report("control", control);
    Report("engine", engine);

    const GuiCounts end = CountGuiObjects();
    EXPECT_EQ(start.gdi, end.gdi);
    EXPECT_EQ(start.user, end.user);

    EXPECT_LE(control.heapBytes, kControlCeiling) << "the control library itself leaks";
    EXPECT_LE(engine.heapBytes, control.heapBytes + kHeapMargin);
    EXPECT_LE(engine.committed, control.committed + kCommitMargin);
    EXPECT_LE(engine.tlsSlot, control.tlsSlot);
    EXPECT_TRUE(DeleteFileA(copy.path().c_str()));
}

} // namespace
