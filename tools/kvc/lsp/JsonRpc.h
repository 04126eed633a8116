// JsonRpc: the base protocol of the language server: messages framed by a Content-Length
// header, read from one stream and written to another, and the JSON-RPC 2.0 error codes.
#pragma once

#include <cstddef>
#include <istream>
#include <mutex>
#include <ostream>
#include <string>

namespace kv::lsp {

// The JSON-RPC and protocol error codes the server answers with.
namespace rpc {
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
}  // namespace rpc

// A frame's body is refused above this size: no editor sends a recipe that large, and a
// mistyped length must not make the server allocate gigabytes.
inline constexpr std::size_t kMaxBodySize = std::size_t{64} << 20;

// What one read from the stream gave.
struct Frame {
    enum class Kind {
        Body,     // body holds one message's bytes
        Refused,  // the header was not usable; error says why, and the stream goes on after it
        End,      // the stream ended (or broke) at a frame boundary or inside a frame
    };
    Kind kind = Kind::End;
    std::string body;
    std::string error;  // Refused: a sentence of the message table
};

// Reads frames: header lines ending in CR LF (a bare LF is taken too), an empty line, then
// exactly Content-Length bytes. Header names are matched without regard to case; headers other
// than Content-Length are ignored.
class FrameReader {
public:
    explicit FrameReader(std::istream& in) : in_(in) {}
    Frame Next();

private:
    std::istream& in_;
};

// Writes frames; safe to call from several threads, each frame is written whole.
class FrameWriter {
public:
    explicit FrameWriter(std::ostream& out) : out_(out) {}
    // Returns false once the stream has failed.
    bool Write(const std::string& body);

private:
    std::ostream& out_;
    std::mutex mutex_;
};

}  // namespace kv::lsp
