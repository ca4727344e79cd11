#include "Answer.h"

#include <utility>

namespace thermosim {
namespace {

// What an acknowledging thermometer sends before its reply: ACK, "OK", CR LF.
constexpr const char* kAcknowledgement = "\x06OK\r\n";

} // namespace

std::vector<Chunk> answerChunks(const AnswerShape& shape, std::uint64_t query,
                                const std::function<std::string()>& reply)
{
    std::vector<Chunk> chunks;
    const auto extra = [&chunks](std::string bytes, Nanos pauseAfter) {
        Chunk chunk;
        chunk.kind = Chunk::Kind::Extra;
        chunk.bytes = std::move(bytes);
        chunk.pauseAfter = pauseAfter;
        chunks.push_back(std::move(chunk));
    };

    if (shape.stale)
        extra(*shape.stale, shape.staleGap);
    if (shape.acknowledge)
        extra(kAcknowledgement, shape.ackGap);
    if (shape.instead) {
        extra(*shape.instead, 0);
        return chunks;
    }
    for (int copy = 0; copy < shape.copies; ++copy) {
        std::string bytes = reply();
        Chunk rest;
        rest.query = query;
        // A pause after the last character would be no pause inside the line.
        if (shape.pause > 0 && shape.pauseAt > 0 && shape.pauseAt < bytes.size()) {
            Chunk head;
            head.query = query;
            head.bytes = bytes.substr(0, shape.pauseAt);
            head.pauseAfter = shape.pause;
            head.endsReply = false;
            chunks.push_back(std::move(head));
            bytes.erase(0, shape.pauseAt);
            rest.startsReply = false;
        }
        rest.bytes = std::move(bytes);
        if (copy + 1 < shape.copies)
            rest.pauseAfter = shape.copyGap;
        chunks.push_back(std::move(rest));
    }
    if (!shape.trailer.empty())
        extra(shape.trailer, 0);
    return chunks;
}

} // namespace thermosim
