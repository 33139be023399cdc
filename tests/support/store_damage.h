#pragma once
// Damage done to a store's text the ways a disk, an editor or a killed writer do it. Records are
// found by their length digits, as the reader finds them.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Where each record of a sound store text begins.
std::vector<std::size_t> RecordStarts(std::string_view text);
// `byte` at `offset` inside record `record` (0 is the root).
std::string ChangeByte(std::string text, std::size_t record, std::size_t offset, char byte);
// Record `record`'s length digits say one byte more than it has.
std::string LengthOneTooLarge(std::string text, std::size_t record);
// The file ends after the first `keep` bytes of record `record`.
std::string CutInside(std::string text, std::size_t record, std::size_t keep);
