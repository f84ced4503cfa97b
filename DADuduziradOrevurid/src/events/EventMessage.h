// The text of one event on the wire.
#pragma once

#include <string>
#include <string_view>

#include "events/IEvent.h"

// {"type":<EventType>,"data":<ToJson>} written compactly by RapidJSON (doubles in their shortest
// round-trip form), preceded by `prefix` and "|" when `prefix` is not empty. Returns an empty
// text when the event is Empty. A failed serialisation (a NaN, for one) throws
// std::invalid_argument "Failed to build json from event".
std::string BuildEventText(const IEvent& event, std::string_view prefix);
