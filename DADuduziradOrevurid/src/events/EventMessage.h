// The text of one event on the wire.
#pragma once

#include <string>
#include <string_view>

#include "events/IEvent.h"

// {"type":<EventType>,"data":<ToJson>} written compactly by RapidJSON (doubles in their shortest
// round-trip form), preceded by `prefix` and "|" when `prefix` is not empty. Returns an empty
// text when the event is Empty. The text is valid UTF-8: bytes that are not (in texts of the
// import's output, or in `prefix`) become U+FFFD (Qva::ValidUtf8). A failed serialisation (a NaN,
// for one) throws std::invalid_argument "Failed to build json from event".
std::string BuildEventText(const IEvent& event, std::string_view prefix);
