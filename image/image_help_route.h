// The image library's viewer asks its owner window for context help with an
// event of its own (the counterpart of WM_USER+1 with the context in lParam).
// A page or dialog whose window goes into a view request routes that event
// to its OnWindowMessage as WM_USER+1, so its help answer reads as designed.
#pragma once

#include "platform/win_types.h"

// The message the route delivers: WM_USER+1, the context in lParam.
enum : UINT { WM_IMAGE_HELP = 0x0400 + 1 };

namespace framework {
class CDialog;
}

// Call once the dialog's window exists (in OnInitDialog).
void RouteImageHelp(framework::CDialog& dialog);
