#pragma once

#include <string>
#include <string_view>

#include "meters/MeterList.h"
#include "support/TextLog.h"

namespace quendal {

// Fills `meters` from the radio's meter status text: lines such as
// "S10C05077|meter 24.src=SLC#24.nam=LEVEL#24.unit=dBm#" or the one-line reply
// "R2|0|meter 1.src=COD-#1.num=1#...". Each attribute "<id>.<key>=<value>" updates its
// meter's entry. Returns `meters`. A number that does not convert raises ConversionError;
// entries stored before it stay.
TMeterList& ParseMeterData(std::string_view MeterData, TMeterList& meters, TextLog& log);

// Applies one "<id>.<key>=<value>" segment to the working record: ID always, then the one
// field its key names. True when the segment holds exactly a key and a value.
bool ParseMeterSegment(std::string_view Segment, TMeter& Meter, TextLog& log);

// Value of the last " <Attribute>=" in space-separated status text, up to the next blank;
// empty when there is none.
std::string GetValueFromAttributeString(std::string_view Source, std::string_view Attribute);

}  // namespace quendal
