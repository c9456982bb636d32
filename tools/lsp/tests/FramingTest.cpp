// Cutting the byte stream into messages: worked examples of every kind of
// damage, the same answers however the stream is cut into reads, and a
// body over the limit never held.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "lsp/Framing.h"
#include "lsp/Transport.h"

namespace rorirer::lsp {
namespace {

// Each message as "M:" and its body, each problem as "P".
std::vector<std::string> decodeAll(FrameDecoder& decoder) {
    std::vector<std::string> out;
    Frame frame;
    while (decoder.next(frame))
        out.push_back(frame.kind == Frame::Kind::kMessage ? "M:" + frame.body : "P");
    return out;
}

std::vector<std::string> decodeInPieces(const std::string& stream, std::size_t maxBody,
                                        std::mt19937* random) {
    FrameDecoder decoder(maxBody);
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < stream.size()) {
        const std::size_t take =
            random == nullptr ? stream.size()
                              : std::min<std::size_t>(1 + (*random)() % 7, stream.size() - at);
        decoder.feed(std::string_view(stream).substr(at, take));
        at += take;
        for (std::string& item : decodeAll(decoder)) out.push_back(std::move(item));
    }
    return out;
}

std::string framed(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

struct Row {
    std::string stream;
    std::vector<std::string> expected;
};

std::vector<Row> workedExamples() {
    const std::string next = framed("{\"next\":1}");
    return {
        {framed("{}"), {"M:{}"}},
        {framed("{}") + framed("[]"), {"M:{}", "M:[]"}},
        {"Content-Length: 2\r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n{}",
         {"M:{}"}},
        {"content-length:2\r\nX-Unknown: yes\r\n\r\n{}", {"M:{}"}},  // any case, other headers
        {"Content-Length: 2\n\n{}", {"M:{}"}},                       // bare line feeds
        {"\r\n" + framed("{}"), {"M:{}"}},                           // a stray line end
        {"Content-Length: 0\r\n\r\n" + next, {"M:", "M:{\"next\":1}"}},
        // A header block without a length: the body after it is skipped.
        {"Content-Type: x\r\n\r\n{\"lost\":1}" + next, {"P", "M:{\"next\":1}"}},
        {"Content-Length: abc\r\n\r\n{}" + next, {"P", "M:{\"next\":1}"}},
        {"Content-Length: -2\r\n\r\n{}" + next, {"P", "M:{\"next\":1}"}},
        {"Content-Length: 2x\r\n\r\n{}" + next, {"P", "M:{\"next\":1}"}},
        // Garbage where a header should be.
        {R"({"no":"header"})" + next, {"P", "M:{\"next\":1}"}},
        {"Content-Length 2\r\n\r\n{}" + next, {"P", "M:{\"next\":1}"}},
        // Over the limit (64 here): read and dropped, the next one kept.
        {framed(std::string(100, 'x')) + next, {"P", "M:{\"next\":1}"}},
        {"Content-Length: 99999999999999999999999\r\n\r\n", {"P"}},
        // Characters are checked before size: leading zeros are a number,
        // many letters are not one.
        {"Content-Length: 000000000000000000000002\r\n\r\n{}" + next, {"M:{}", "M:{\"next\":1}"}},
        {"Content-Length: " + std::string(30, 'x') + "\r\n\r\n{}" + next, {"P", "M:{\"next\":1}"}},
        {framed(std::string(64, 'y')), {"M:" + std::string(64, 'y')}},
        // An endless header block.
        {std::string(9000, 'h') + next, {"P", "M:{\"next\":1}"}},
    };
}

TEST(Framing, WorkedExamples) {
    for (const Row& row : workedExamples())
        EXPECT_EQ(decodeInPieces(row.stream, 64, nullptr), row.expected)
            << row.stream.substr(0, 60);
}

TEST(Framing, SameAnswersWhereverReadsEnd) {
    std::mt19937 random(99);
    for (const Row& row : workedExamples())
        for (int cut = 0; cut < 20; ++cut)
            EXPECT_EQ(decodeInPieces(row.stream, 64, &random), row.expected)
                << row.stream.substr(0, 60);
}

TEST(Framing, BodyOverTheLimitIsNeverHeld) {
    FrameDecoder decoder(1000);
    decoder.feed("Content-Length: 50000000\r\n\r\n");
    std::vector<std::string> seen = decodeAll(decoder);
    EXPECT_EQ(seen, std::vector<std::string>{"P"});
    const std::string chunk(65536, 'z');
    for (int i = 0; i < 762; ++i) {  // 50,000,000 bytes and a little less
        decoder.feed(chunk);
        ASSERT_EQ(decoder.held(), 0u);
        ASSERT_TRUE(decodeAll(decoder).empty());
    }
    decoder.feed(std::string(50000000 - 762 * 65536, 'z') + framed("{}"));
    EXPECT_EQ(decodeAll(decoder), std::vector<std::string>{"M:{}"});
    EXPECT_FALSE(decoder.partial());
}

TEST(Framing, LargeBodiesComeWholeAndTheirRoomGoes) {
    std::mt19937 random(7);
    for (const std::size_t size : {std::size_t{3} << 20, std::size_t{1} << 20}) {
        std::string body(size, 'x');
        for (char& c : body) c = static_cast<char>('a' + random() % 26);
        FrameDecoder decoder;
        // Alone in the buffer, then followed by another message in one read.
        decoder.feed(framed(body));
        EXPECT_EQ(decodeAll(decoder), std::vector<std::string>{"M:" + body});
        decoder.feed(framed(body) + framed("{}"));
        EXPECT_EQ(decodeAll(decoder), (std::vector<std::string>{"M:" + body, "M:{}"}));
        decoder.feed(framed("[]").substr(0, 5));
        decoder.feed(framed("[]").substr(5));
        EXPECT_EQ(decodeAll(decoder), std::vector<std::string>{"M:[]"});
        EXPECT_FALSE(decoder.partial());
    }
}

TEST(Framing, InputCutShortIsSeen) {
    FrameDecoder decoder;
    decoder.feed("Content-Length: 10\r\n\r\n{\"a\"");
    EXPECT_TRUE(decodeAll(decoder).empty());
    EXPECT_TRUE(decoder.partial());
}

// A regular file is always ready, so the transport reads whole rounds of
// it: the header of a body over the limit must still be read with the
// first chunk, the body then dropped as it comes, never held.
TEST(Framing, TransportHoldsNoBodyOverTheLimit) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const std::size_t body = FrameDecoder::kDefaultMaxBody + 1;
    const std::string header = "Content-Length: " + std::to_string(body) + "\r\n\r\n";
    // The body is a hole in the file: NULs that take no room.
    const std::string next = framed("{}");
    const auto at = static_cast<off_t>(header.size() + body);
    ASSERT_EQ(::pwrite(fileno(file), header.data(), header.size(), 0), ssize_t(header.size()));
    ASSERT_EQ(::pwrite(fileno(file), next.data(), next.size(), at), ssize_t(next.size()));
    Transport transport(fileno(file), -1, FrameDecoder::kDefaultMaxBody);
    std::vector<std::string> seen;
    for (Transport::Wait wait = Transport::Wait::kRead; wait != Transport::Wait::kEnd;) {
        wait = transport.receive(0);
        ASSERT_EQ(transport.held(), 0u);
        for (Frame frame; transport.nextFrame(frame);)
            seen.push_back(frame.kind == Frame::Kind::kMessage ? "M:" + frame.body : "P");
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"P", "M:{}"}));
    std::fclose(file);
}

}  // namespace
}  // namespace rorirer::lsp
