// BlockParser: the grammar of one logic block, `[conditions "=>"] actions`, on one line's text.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "arbor/BlockTree.h"
#include "arbor/ISyntaxTreeNode.h"
#include "arbor/SyntaxMessages.h"
#include "arbor/TextEncoding.h"

// The first fault of a line: which error, at which byte (0-based) and what was found there.
struct LineFault {
    SyntaxMessage message = &kv::diag::syntax::ExpectName;
    size_t pos = 0;
    std::string found;
    std::string note;  // a hint at the likely slip, or empty
};

// Parses content, one line without its comment and line end whose quotes are known to pair up
// and whose bytes are well-formed, into a block tree whose tokens carry lineNumber. Returns null
// and fills fault when the line breaks the grammar. A caller parsing many lines passes the same
// scratch each time.
std::unique_ptr<ISyntaxTreeNode> ParseBlockLine(std::string_view content, int lineNumber,
                                                RecipeEncoding encoding, LineFault& fault,
                                                BlockScratch& scratch);

// The 1-based column of a 0-based byte position, held within int.
int ColumnOf(size_t pos);
