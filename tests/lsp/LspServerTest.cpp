// The server in process, on string streams: its answers to a whole session given at once.
// Diagnostics arrive from another thread at their own time and are left out here (the Node
// tests wait for them).
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <sstream>

#include "lsp/LspTestBundle.h"
#include "tools/kvc/lsp/JsonRpc.h"
#include "tools/kvc/lsp/LspServer.h"

namespace {

std::string Frame(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

struct Session {
    int status = -1;
    std::vector<std::string> answers;  // every message but the published diagnostics
};

Session Serve(const std::string& input, kv::lsp::ServerOptions options = {}) {
    std::istringstream in(input);
    std::ostringstream out;
    Session session;
    {
        kv::lsp::LspServer server(std::move(options), in, out);
        session.status = server.Run();
    }
    std::istringstream written(out.str());
    kv::lsp::FrameReader reader(written);
    for (kv::lsp::Frame frame = reader.Next(); frame.kind == kv::lsp::Frame::Kind::Body;
         frame = reader.Next()) {
        if (frame.body.find("publishDiagnostics") == std::string::npos) {
            session.answers.push_back(frame.body);
        }
    }
    return session;
}

const std::string kInitialize =
    Frame(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"general":)"
          R"({"positionEncodings":["utf-8","utf-16"]}}}})");
const std::string kShutdownExit = Frame(R"({"jsonrpc":"2.0","id":99,"method":"shutdown"})") +
                                  Frame(R"({"jsonrpc":"2.0","method":"exit"})");

TEST(LspServer, AnswersInOrderCountsInBytesWhenOfferedAndTakesRangedChanges) {
    kv::lsp::ServerOptions options;
    options.bundle = kv::test::ExampleBundleDir();
    const std::string open =
        Frame(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
              R"({"uri":"file:///w/r.rcp","languageId":"kvrecipe","version":1,)"
              R"("text":"add(冰糖, 15g)\n"}}})");
    // 冰糖 is six bytes: "15g" starts at byte 11.
    const std::string hoverWeight = Frame(
        R"({"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":)"
        R"({"textDocument":{"uri":"file:///w/r.rcp"},"position":{"line":0,"character":12}}})");
    // Bytes 4 to 10 (冰糖) become 鸡块 and "15g" becomes "2kg" by a second range.
    const std::string change = Frame(
        R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":)"
        R"({"uri":"file:///w/r.rcp","version":2},"contentChanges":[)"
        R"({"range":{"start":{"line":0,"character":4},"end":{"line":0,"character":10}},"text":"鸡块"},)"
        R"({"range":{"start":{"line":0,"character":12},"end":{"line":0,"character":15}},"text":"2kg"}]}})");
    const std::string hoverAgain =
        Frame(R"({"jsonrpc":"2.0","id":"again","method":"textDocument/hover","params":)"
              R"({"textDocument":{"uri":"file:///w/r.rcp"},"position":{"line":0,"character":5}}})");
    const Session session =
        Serve(kInitialize + Frame(R"({"jsonrpc":"2.0","method":"initialized","params":{}})") +
                  open + hoverWeight + change + hoverAgain + kShutdownExit,
              std::move(options));
    EXPECT_EQ(session.status, 0);
    ASSERT_EQ(session.answers.size(), 4u);
    rapidjson::Document init;
    init.Parse(session.answers[0].c_str());
    EXPECT_STREQ(init["result"]["capabilities"]["positionEncoding"].GetString(), "utf-8");
    EXPECT_EQ(session.answers[1],
              R"({"jsonrpc":"2.0","id":2,"result":{"contents":{"kind":"plaintext",)"
              R"("value":"15g: g is a base unit"},"range":{"start":{"line":0,"character":12},)"
              R"("end":{"line":0,"character":15}}}})");
    rapidjson::Document again;
    again.Parse(session.answers[2].c_str());
    EXPECT_STREQ(again["id"].GetString(), "again");
    EXPECT_STREQ(again["result"]["contents"]["value"].GetString(),
                 "**鸡块**: ingredient, code 1001");
    EXPECT_EQ(session.answers[3], R"({"jsonrpc":"2.0","id":99,"result":null})");
}

TEST(LspServer, SaysWhyItHasNoBundleAndLeavesRequestsWithoutOneUnanswered) {
    const std::string hover =
        Frame(R"({"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":)"
              R"({"textDocument":{"uri":"file:///w/r.rcp"},"position":{"line":0,"character":1}}})");
    const Session session =
        Serve(kInitialize + Frame(R"({"jsonrpc":"2.0","method":"initialized"})") + hover);
    // The input ended without shutdown and exit.
    EXPECT_EQ(session.status, 1);
    ASSERT_EQ(session.answers.size(), 3u);
    EXPECT_NE(session.answers[1].find(R"("method":"window/showMessage")"), std::string::npos);
    EXPECT_NE(session.answers[1].find("no bundle"), std::string::npos);
    EXPECT_EQ(session.answers[2], R"({"jsonrpc":"2.0","id":2,"result":null})");
}

TEST(LspServer, NamesABundleThatDoesNotLoadAndAConfigurationThatNamesNone) {
    kv::lsp::ServerOptions options;
    options.bundle = "/no/such/bundle";
    const Session missing =
        Serve(kInitialize + Frame(R"({"jsonrpc":"2.0","method":"initialized"})"), options);
    ASSERT_EQ(missing.answers.size(), 2u);
    EXPECT_NE(missing.answers[1].find("the bundle cannot be loaded"), std::string::npos);
}

TEST(LspServer, GivesAnExplanationsAnchorForEveryCodeWithAnExplanation) {
    EXPECT_EQ(kv::lsp::ExplanationAnchor(1003), "1003-a-value-outside-its-range-or-choices");
    EXPECT_EQ(kv::lsp::ExplanationAnchor(9019), "9019-full-width-punctuation");
    EXPECT_EQ(kv::lsp::ExplanationAnchor(0), "");
}

}  // namespace
