// The SVG writer: escaping, numbers, and the shape of the document.
#include <gtest/gtest.h>

#include <string>

#include "host/timeline/SvgWriter.h"

namespace {

using kv::timeline::DecimalText;
using kv::timeline::EscapeXml;
using kv::timeline::SvgWriter;

constexpr const char* kReplacement = "\xEF\xBF\xBD";

TEST(EscapeXml, EscapesMarkupAndKeepsOtherText) {
    EXPECT_EQ(EscapeXml("<&\">'"), "&lt;&amp;&quot;&gt;'");
    EXPECT_EQ(EscapeXml("红烧\tx\ny"), "红烧\tx\ny");
}

TEST(EscapeXml, ReplacesWhatXmlCannotHold) {
    // A control character, a stray continuation byte, a cut-off sequence (two bytes, each
    // starting nothing), and the noncharacters U+FFFE and U+FFFF.
    const std::string r = kReplacement;
    EXPECT_EQ(EscapeXml("\x01|\x80|\xE4\xB8|\xEF\xBF\xBE\xEF\xBF\xBF"),
              r + "|" + r + "|" + r + r + "|" + r + r);
}

TEST(DecimalText, WritesPlainDecimal) {
    EXPECT_EQ(DecimalText(0), "0");
    EXPECT_EQ(DecimalText(-35), "-35");
    EXPECT_EQ(DecimalText(4294967296LL), "4294967296");
}

TEST(SvgWriter, NestsOneElementALineAndClosesWhatIsLeftOpen) {
    SvgWriter svg({{"width", 10}, {"viewBox", "0 0 10 10"}});
    svg.Open("g", {{"id", "a\"b"}});
    svg.Empty("rect", {{"x", -3}});
    svg.Text("text", {{"x", 1}}, "1 < 2", "whole & more");
    svg.Text("title", {}, "t");
    EXPECT_EQ(svg.Finish(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" viewBox=\"0 0 10 10\">\n"
              "  <g id=\"a&quot;b\">\n"
              "    <rect x=\"-3\"/>\n"
              "    <text x=\"1\"><title>whole &amp; more</title>1 &lt; 2</text>\n"
              "    <title>t</title>\n"
              "  </g>\n"
              "</svg>\n");
}

}  // namespace
