// SPDX-License-Identifier: MIT
// Reading the date of a Date or Received header, leniently.
#pragma once

#include <string_view>

#include "message/mail_date.h"

namespace pelmora {

// An RFC 822 date-time text converted to local time, using the zone rules in
// force at that date (TZ honoured); 0 when it cannot be read.
DateTime ParseMailDate(std::string_view text);

}  // namespace pelmora
