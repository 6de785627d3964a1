// InitCommonControlsEx with the common controls loaded at its first call. Code that calls it
// (the options dialog's hotkey box) is compiled against commctrl.h, whose declaration calls
// through the import pointer __imp_InitCommonControlsEx; defined here instead of by comctl32's
// import library, that pointer leads to a function that loads comctl32 through LibraryFunction.
// So the program does not import comctl32, and a session that opens no window with common
// controls never loads it. (The update window's edit box loads it too, as the manifest asks for
// version 6 of the controls.)
#include <windows.h>
#include <commctrl.h>

#include "common/failure.h"
#include "common/trace.h"
#include "platform/win32/library_function.h"

namespace quillet::platform::win32 {
namespace {

BOOL WINAPI InitCommonControlsExAtFirstUse(const INITCOMMONCONTROLSEX* classes) {
  static LibraryFunction<decltype(InitCommonControlsEx)> initialise(L"comctl32.dll", "InitCommonControlsEx");
  try {
    return initialise()(classes);
  } catch (const Failure& failure) {  // no common controls: the call fails, as it would itself
    TraceSwallowedFailure(SourcePlace::current(), failure);
    return FALSE;
  }
}

}  // namespace
}  // namespace quillet::platform::win32

// The import pointer, by its name in the object files (stdcall decorated on 32-bit Windows).
#ifdef _WIN64
#define QUILLET_IMPORT_NAME "__imp_InitCommonControlsEx"
#else
#define QUILLET_IMPORT_NAME "__imp__InitCommonControlsEx@4"
#endif
extern "C" {
extern decltype(&InitCommonControlsEx) const quilletImportInitCommonControlsEx asm(QUILLET_IMPORT_NAME);
decltype(&InitCommonControlsEx) const quilletImportInitCommonControlsEx =
    &quillet::platform::win32::InitCommonControlsExAtFirstUse;
}
