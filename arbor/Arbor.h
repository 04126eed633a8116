// Arbor: the factories of the syntax library. Every object returned belongs to the caller,
// except the operator data, which lives as long as the library.
#pragma once

#include <string>

#include "arbor/BasicData.h"
#include "arbor/ISyntaxTreeNode.h"
#include "arbor/IToken.h"
#include "arbor/OperatorData.h"
#include "arbor/SyntaxTreeVisitor.h"

class IData;

ISyntaxTreeVisitor* newSyntaxTreeVistor(IData* data);
BasicData* newBasicData();
// A new token carrying text as both its source and its current text.
IToken* newToken(const std::string& text, int column, int line, int endLine, int type);
// A new node that owns token (which may be null); parent, when given, adopts it as a child.
ISyntaxTreeNode* newSyntaxTreeNode(IToken* token, ISyntaxTreeNode* parent);
OperatorData* getGlobalOperatorData();
