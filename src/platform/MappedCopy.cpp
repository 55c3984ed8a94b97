#include "platform/MappedCopy.h"

#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>

namespace vellumine {
namespace {

// The copy under way on this thread, if any; a SIGBUS in it jumps back.
// Volatile, and fenced around the copy: the compiler must not drop or move
// the stores, which no code it can see reads.
thread_local sigjmp_buf* volatile tCopyJump = nullptr;
struct sigaction gPreviousBusAction {};

void OnBusError(int signal, siginfo_t* info, void* context)
{
    if (sigjmp_buf* jump = tCopyJump) {
        tCopyJump = nullptr;
        siglongjmp(*jump, 1);
    }
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
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &gPreviousBusAction);
}

}  // namespace

bool CopyFromMapping(void* out, const void* mapped, std::size_t length)
{
    static std::once_flag installed;
    std::call_once(installed, InstallBusHandler);
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

}  // namespace vellumine
