#pragma once
#include "platform/SingleLine.h"

namespace pad {

using platform::refuseLineBreaks;

}  // namespace pad
