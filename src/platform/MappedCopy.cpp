#include "platform/MappedCopy.h"

#include <array>
#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace vellumine {
namespace {

// The copy under way on this thread, if any; a SIGBUS in it jumps back.
// Volatile, and fenced around the copy: the compiler must not drop or move
// the stores, which no code it can see reads.
thread_local sigjmp_buf* volatile tCopyJump = nullptr;
struct sigaction gPreviousBusAction {};

// The guarded mappings, read by the signal handler: lock-free atomics only,
// no allocation. A slot is claimed (state Claiming) before its range is
// written and only then made Active.
enum SlotState : int { Free, Claiming, Active };
struct GuardSlot {
    std::atomic<int> state{Free};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> cut{false};
};
constexpr std::size_t kGuardSlots = 64;
std::array<GuardSlot, kGuardSlots> gGuardSlots;
std::uintptr_t gPageSize = 4096;

// Replaces the pages of a guarded mapping from the one holding `address`
// to the mapping's end by zero pages (what lies beyond a lost page is lost
// too) and marks the mapping. False when the address is in none of them or
// the pages cannot be replaced.
bool ZeroFillGuardedPages(std::uintptr_t address)
{
    for (GuardSlot& slot : gGuardSlots) {
        if (slot.state.load(std::memory_order_acquire) != Active)
            continue;
        const std::uintptr_t begin = slot.begin.load(std::memory_order_relaxed);
        const std::uintptr_t end = slot.end.load(std::memory_order_relaxed);
        if (address < begin || address >= end)
            continue;
        const std::uintptr_t page = address & ~(gPageSize - 1);
        void* replaced = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                                MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (replaced == MAP_FAILED)
            return false;
        slot.cut.store(true, std::memory_order_release);
        return true;
    }
    return false;
}

void OnBusError(int signal, siginfo_t* info, void* context)
{
    if (sigjmp_buf* jump = tCopyJump) {
        tCopyJump = nullptr;
        siglongjmp(*jump, 1);
    }
    // The faulting access is made again on return and now reads zeros.
    if (info && ZeroFillGuardedPages(reinterpret_cast<std::uintptr_t>(info->si_addr)))
        return;
    // Not ours: whoever handled it before does, or the default ends the program.
    if (gPreviousBusAction.sa_flags & SA_SIGINFO) {
        gPreviousBusAction.sa_sigaction(signal, info, context);
        return;
    }
    if (gPreviousBusAction.sa_handler != SIG_DFL && gPreviousBusAction.sa_handler != SIG_IGN) {
        gPreviousBusAction.sa_handler(signal);
        return;
    }
    ::sigaction(SIGBUS, &gPreviousBusAction, nullptr);
}

void InstallBusHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        gPageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &gPreviousBusAction);
    });
}

}  // namespace

bool CopyFromMapping(void* out, const void* mapped, std::size_t length)
{
    InstallBusHandler();
    sigjmp_buf jump;
    // The mask is not saved (a system call each time): the handler runs with
    // SIGBUS unblocked (SA_NODEFER), so jumping out of it leaves the mask as it was.
    if (sigsetjmp(jump, 0) != 0)
        return false;
    tCopyJump = &jump;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(out, mapped, length);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    tCopyJump = nullptr;
    return true;
}

GuardedMapping::GuardedMapping(const void* begin, std::size_t length)
{
    InstallBusHandler();
    const auto from = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t to = (from + length + gPageSize - 1) & ~(gPageSize - 1);
    for (std::size_t i = 0; i < kGuardSlots; ++i) {
        int expected = Free;
        if (!gGuardSlots[i].state.compare_exchange_strong(expected, Claiming, std::memory_order_acquire))
            continue;
        gGuardSlots[i].begin.store(from, std::memory_order_relaxed);
        gGuardSlots[i].end.store(to, std::memory_order_relaxed);
        gGuardSlots[i].cut.store(false, std::memory_order_relaxed);
        gGuardSlots[i].state.store(Active, std::memory_order_release);
        FSlot = static_cast<int>(i);
        return;
    }
}

GuardedMapping::~GuardedMapping()
{
    if (FSlot >= 0)
        gGuardSlots[static_cast<std::size_t>(FSlot)].state.store(Free, std::memory_order_release);
}

bool GuardedMapping::Cut() const
{
    return FSlot >= 0 && gGuardSlots[static_cast<std::size_t>(FSlot)].cut.load(std::memory_order_acquire);
}

}  // namespace vellumine
