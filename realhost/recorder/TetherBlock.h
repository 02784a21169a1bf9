// Kestrane's links as its scenario block describes them (tetherblock/), read from a scenario file
// the host saved: the lines between "BEGIN_<module>" and "END".
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "tetherblock/LinkRecord.h"

namespace recorder {

using tetherblock::LinkRecord;

// The links of the block of `module` in a scenario file's text, one a link; none when the file holds
// no such block. A line of the block that says nothing about a link is passed over, and a value
// that is not of its field's kind leaves the field as it was.
std::optional<std::vector<LinkRecord>> ReadTetherBlock(std::string_view scenario, std::string_view module);

}  // namespace recorder
