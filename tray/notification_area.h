#pragma once
// Where the taskbar's notification area lies on the screen, in twips. Both functions look the
// windows up afresh at every call; no step stops them and no error reaches the caller.
#include <cstdint>

#include "platform/application.h"
#include "platform/windowing.h"

namespace quillet::notification_area {

// The top edge of the notification area; the screen's height when that edge is within two
// pixels of the top of the screen (a taskbar docked at the top) or when there is none.
std::int32_t TopTwips(platform::IWindowing& windowing, const platform::IApplication& app);

// The right edge of the notification area; 0 when there is none.
std::int32_t RightTwips(platform::IWindowing& windowing, const platform::IApplication& app);

}  // namespace quillet::notification_area
