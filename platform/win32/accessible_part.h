#pragma once
// What a screen reader is told about a part of a window that the window paints itself (a
// button drawn over a picture, a number that is only pixels): the part is a real, owner-drawn
// child window, so that focus, Tab, Space and the system's focus events come from Windows, and
// its WM_GETOBJECT is answered with a small IAccessible that takes everything from the system's
// standard object for that child (place, state, parent, focus) except four things read from
// the part itself when asked: its role, its name, its description and its default action.
//
// Why not the standard object alone: Wine's gives a button neither the push-button role nor a
// default action, and the system's name of a button is its window text, which would have to be
// set every second of the countdown (every change of the window text is announced as a name
// change). Read on request, the name is always the current caption and nothing is announced.
//
// oleacc (and COM, for marshalling the object to another process) is loaded at the first
// WM_GETOBJECT: a session without assistive technology never loads either.
#include <windows.h>

#include <memory>
#include <string>

#include "common/callback.h"
#include "platform/win32/com_apartment.h"

namespace quillet::platform::win32 {

struct AccessiblePart {
  long role = 0;                            // ROLE_SYSTEM_...
  Callback<std::u16string()> name;     // read at every request
  Callback<std::u16string()> description;  // empty: none
  std::u16string defaultAction;             // "Press"; empty: none
  Callback<void()> press;              // accDoDefaultAction; empty: none
};

// The answer to a WM_GETOBJECT sent to `window`, a child that shows `part`: the LRESULT for
// OBJID_CLIENT, 0 (the system's own answer) for anything else or when oleacc cannot be had. The
// object keeps only a weak reference to the part: once the part is gone it answers
// RPC_E_DISCONNECTED (E_FAIL) as a vanished window's object does. Never throws.
LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const std::shared_ptr<AccessiblePart>& part,
                        ComApartment& apartment);

}  // namespace quillet::platform::win32
