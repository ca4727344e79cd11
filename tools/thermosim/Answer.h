#pragma once

#include "Transmitter.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace thermosim {

// How the device answers one command, all but the reply's own bytes: what goes before the
// reply, how often it is sent, where it stops for breath and what follows it.
struct AnswerShape
{
    std::optional<std::string> stale; // a leftover sent first, then staleGap
    Nanos staleGap = 0;
    bool acknowledge = false; // 06 "OK" CR LF, then ackGap
    Nanos ackGap = 0;
    std::string glued; // stray bytes right before the reply, with no pause between
    int copies = 1;    // the reply this many times, copyGap apart
    Nanos copyGap = 0;
    std::vector<std::size_t> pauseAt;   // each copy stops after each of these many characters...
    Nanos pause = 0;                    // ...and is quiet this long before going on
    std::optional<std::string> instead; // a line sent in place of any reply
    std::string trailer;                // bytes right after the last copy's line end
};

// The chunks of one answer in the order they go on the line; `reply` makes each copy's bytes.
std::vector<Chunk> answerChunks(const AnswerShape& shape, std::uint64_t query,
                                const std::function<std::string()>& reply);

} // namespace thermosim
