// Control of diagnostics and of the heap's allocation faults.
#include "control/PlatformControl.h"

#include "KivCore/KivCoreInternal.h"

extern "C" void UlogCtlSetDebugLevel(unsigned int threshold)
{
    kiv::core::diag::SetThreshold(threshold);
}

extern "C" void UlogCtlSetDebugToStderr(BOOL toStderr)
{
    kiv::core::diag::SetToStderr(toStderr != FALSE);
}

extern "C" void UlogCtlCaptureDiagnostics(BOOL on)
{
    kiv::core::diag::SetCapture(on != FALSE);
}

extern "C" int UlogCtlGetDiagnosticCount(void)
{
    return kiv::core::diag::CapturedCount();
}

extern "C" const char* UlogCtlGetDiagnostic(int index)
{
    return kiv::core::diag::Captured(index);
}

extern "C" BOOL UlogCtlDiagnosticsContain(const char* text)
{
    return kiv::core::diag::CapturedContains(text) ? TRUE : FALSE;
}

extern "C" int UlogCtlGetAssertCount(void)
{
    return kiv::core::diag::AssertCount();
}

extern "C" void UlogCtlClearDiagnostics(void)
{
    kiv::core::diag::ClearCaptured();
}

extern "C" void UlogCtlFailNextAllocs(int count)
{
    kiv::core::mem::SetFailNext(count);
}

extern "C" void UlogCtlFailAllocAt(int position)
{
    kiv::core::mem::SetFailAt(position);
}

extern "C" int UlogCtlPendingAllocFaults(void)
{
    return kiv::core::mem::PendingFaults();
}
