#pragma once
// Bytes handed over piece after piece, so that a large body can be counted,
// hashed or written while it is decoded, without being held whole.

#include <functional>
#include <string_view>

namespace vellumine {

// Takes one piece; the view is valid only during the call.
using PieceSink = std::function<void(std::string_view piece)>;

// Calls the sink with each piece in order.
using BytePieces = std::function<void(const PieceSink& sink)>;

}  // namespace vellumine
