// Frames of the base protocol: reading headers and bodies, refusing what cannot be read.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/kvc/lsp/JsonRpc.h"

namespace {

using kv::lsp::Frame;
using kv::lsp::FrameReader;

TEST(FrameReader, ReadsBodiesOfTheirLengthWhateverTheLineEndsAndTheHeaderCase) {
    std::istringstream in(
        "Content-Length: 2\r\n\r\n{}"
        "content-length:3\nContent-Type: x\n\n[1]"
        "\r\nCONTENT-LENGTH: 0\r\n\r\n");
    FrameReader reader(in);
    EXPECT_EQ(reader.Next().body, "{}");
    EXPECT_EQ(reader.Next().body, "[1]");
    const Frame empty = reader.Next();
    EXPECT_EQ(empty.kind, Frame::Kind::Body);
    EXPECT_EQ(empty.body, "");
    EXPECT_EQ(reader.Next().kind, Frame::Kind::End);
}

TEST(FrameReader, RefusesAHeaderWithoutAUsableLengthAndReadsOnAfterIt) {
    std::istringstream in(
        "Content-Type: a\r\n\r\n"
        "Content-Length: -1\r\n\r\n"
        "Content-Length: 1e3\r\n\r\n"
        "Content-Length: 67108865\r\n\r\n"
        "Content-Length: 1\r\n\r\nx");
    FrameReader reader(in);
    const Frame noLength = reader.Next();
    EXPECT_EQ(noLength.kind, Frame::Kind::Refused);
    EXPECT_EQ(noLength.error, "the frame's header has no Content-Length");
    EXPECT_EQ(reader.Next().error,
              "the frame's Content-Length '-1' is not a length the server takes");
    EXPECT_EQ(reader.Next().kind, Frame::Kind::Refused);
    // One byte over the 64 MiB a body may have.
    EXPECT_EQ(reader.Next().kind, Frame::Kind::Refused);
    EXPECT_EQ(reader.Next().body, "x");
}

TEST(FrameReader, EndsWhereTheInputEndsEvenInsideAFrame) {
    std::istringstream cut("Content-Length: 10\r\n\r\n{\"a\":");
    EXPECT_EQ(FrameReader(cut).Next().kind, Frame::Kind::End);
    std::istringstream headerOnly("Content-Length: 10\r\n");
    EXPECT_EQ(FrameReader(headerOnly).Next().kind, Frame::Kind::End);
}

TEST(FrameWriter, WritesTheLengthInBytesBeforeTheBody) {
    std::ostringstream out;
    kv::lsp::FrameWriter writer(out);
    EXPECT_TRUE(writer.Write("{\"t\":\"鸡\"}"));
    EXPECT_EQ(out.str(), "Content-Length: 11\r\n\r\n{\"t\":\"鸡\"}");
}

}  // namespace
