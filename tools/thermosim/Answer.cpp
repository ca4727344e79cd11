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
    if (!shape.glued.empty())
        extra(shape.glued, 0);
    for (int copy = 0; copy < shape.copies; ++copy) {
        const std::string bytes = reply();
        std::size_t sent = 0;
        bool first = true;
        const auto piece = [&](std::size_t end, Nanos pauseAfter) {
            Chunk chunk;
            chunk.query = query;
            chunk.bytes = bytes.substr(sent, end - sent);
            chunk.pauseAfter = pauseAfter;
            chunk.startsReply = first;
            chunk.endsReply = end == bytes.size();
            chunks.push_back(std::move(chunk));
            sent = end;
            first = false;
        };
        // A pause after the last character would be no pause inside the line.
        if (shape.pause > 0) {
            for (const std::size_t at : shape.pauseAt) {
                if (at > sent && at < bytes.size())
                    piece(at, shape.pause);
            }
        }
        piece(bytes.size(), copy + 1 < shape.copies ? shape.copyGap : 0);
    }
    if (!shape.trailer.empty())
        extra(shape.trailer, 0);
    return chunks;
}

} // namespace thermosim
