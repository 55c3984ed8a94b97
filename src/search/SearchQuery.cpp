#include "search/SearchQuery.h"

#include <cctype>
#include <memory>
#include <set>
#include <vector>

#include "platform/Error.h"
#include "search/FoldingTokenizer.h"
#include "search/QueryDates.h"
#include "search/QueryTokens.h"

namespace vellumine {
namespace {

// Parentheses and negations deeper than this are refused; the parser
// recurses on them.
constexpr int kDeepestNesting = 64;

struct QueryNode {
    enum Kind { Leaf, All, Any, Without };
    Kind kind = Leaf;
    QueryToken term;  // a leaf's
    std::string field;
    std::vector<std::unique_ptr<QueryNode>> children;
};
using NodePtr = std::unique_ptr<QueryNode>;

NodePtr Node(QueryNode::Kind kind)
{
    auto node = std::make_unique<QueryNode>();
    node->kind = kind;
    return node;
}

// A prefix before a group names the text of every term in it that does
// not name its own.
void ApplyField(QueryNode& node, const std::string& field)
{
    if (node.kind == QueryNode::Leaf) {
        if (node.field.empty())
            node.field = field;
        return;
    }
    for (const NodePtr& child : node.children)
        ApplyField(*child, field);
}

// Recursive descent over the tokens. It forgives what a typist gets
// wrong: an operator without an operand, a stray or missing parenthesis.
class QueryParser {
public:
    explicit QueryParser(std::vector<QueryToken> tokens) : FTokens(std::move(tokens)) {}

    NodePtr Run()
    {
        auto all = Node(QueryNode::All);
        while (true) {
            if (NodePtr part = Either(0))
                all->children.push_back(std::move(part));
            if (AtEnd())
                break;
            ++FAt;  // a closing parenthesis nothing opened
        }
        return all;
    }

private:
    bool AtEnd() const { return FAt >= FTokens.size(); }
    bool At(QueryToken::Kind kind) const { return !AtEnd() && FTokens[FAt].kind == kind; }

    static NodePtr Joined(QueryNode::Kind kind, std::vector<NodePtr> parts)
    {
        if (parts.empty())
            return nullptr;
        if (parts.size() == 1)
            return std::move(parts.front());
        auto node = Node(kind);
        node->children = std::move(parts);
        return node;
    }

    NodePtr Either(int depth)
    {
        std::vector<NodePtr> parts;
        if (NodePtr first = Each(depth))
            parts.push_back(std::move(first));
        while (At(QueryToken::Or)) {
            ++FAt;
            if (NodePtr next = Each(depth))
                parts.push_back(std::move(next));
        }
        return Joined(QueryNode::Any, std::move(parts));
    }

    NodePtr Each(int depth)
    {
        std::vector<NodePtr> parts;
        while (!AtEnd() && !At(QueryToken::Or) && !At(QueryToken::Close)) {
            if (At(QueryToken::And)) {
                ++FAt;
                continue;
            }
            if (NodePtr part = Unary(depth))
                parts.push_back(std::move(part));
        }
        return Joined(QueryNode::All, std::move(parts));
    }

    // Returns null, consuming nothing, at an OR, AND, a closing parenthesis
    // or the end.
    NodePtr Unary(int depth)
    {
        if (depth > kDeepestNesting)
            throw Error("Die Suchanfrage ist zu tief geschachtelt.");
        if (AtEnd())
            return nullptr;
        const QueryToken& token = FTokens[FAt];
        switch (token.kind) {
        case QueryToken::Not: {
            ++FAt;
            NodePtr operand = Unary(depth + 1);
            if (!operand)
                return nullptr;
            auto node = Node(QueryNode::Without);
            node->children.push_back(std::move(operand));
            return node;
        }
        case QueryToken::Field: {
            ++FAt;
            NodePtr operand = Unary(depth + 1);
            if (operand)
                ApplyField(*operand, token.text);
            return operand;
        }
        case QueryToken::Open: {
            ++FAt;
            NodePtr inner = Either(depth + 1);
            if (At(QueryToken::Close))
                ++FAt;
            return inner;
        }
        case QueryToken::Term: {
            ++FAt;
            auto leaf = Node(QueryNode::Leaf);
            leaf->term = token;
            return leaf;
        }
        default:
            return nullptr;
        }
    }

    std::vector<QueryToken> FTokens;
    std::size_t FAt = 0;
};

// The index's column for a field prefix; null for none.
const char* ColumnOf(const std::string& field)
{
    if (field == "von")
        return "sender";
    if (field == "an")
        return "recipients";
    if (field == "betreff")
        return "subject";
    if (field == "ordner")
        return "folder";
    if (field == "anhang")
        return "attachments";
    return nullptr;
}

// A quoted FTS5 string: whatever the user typed is looked for as text,
// never read as the match language's operators. Control characters go:
// the tokenizer reads one at the start as its own mark.
std::string QuotedString(std::string_view mark, const std::string& value)
{
    std::string quoted = "\"";
    quoted += mark;
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20)
            continue;
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

// A term of ASCII signs alone (!!!, --) has no word the index could hold:
// it is left out, rather than matching nothing.
bool HasText(const std::string& value)
{
    for (const char c : value)
        if (static_cast<unsigned char>(c) >= 0x80 || std::isalnum(static_cast<unsigned char>(c)))
            return true;
    return false;
}

// A part of the match expression; `negated`: it stands for the messages
// the expression does not find. FTS5 has NOT only between two sets, so a
// negation is carried up until a set it can be taken from is there.
struct Compiled {
    std::string expression;
    bool negated = false;
    bool operator<(const Compiled& other) const
    {
        return negated != other.negated ? negated < other.negated : expression < other.expression;
    }
};

std::string Group(const std::vector<std::string>& parts, const char* op)
{
    if (parts.size() == 1)
        return parts.front();
    std::string group = "(";
    for (std::size_t i = 0; i < parts.size(); ++i)
        group += (i ? op : "") + parts[i];
    return group + ")";
}

std::optional<Compiled> Compile(const QueryNode& node);

std::optional<Compiled> CompileLeaf(const QueryNode& leaf)
{
    if (leaf.field == "datum")
        throw Error("datum: gilt für die ganze Suche und lässt sich nicht mit ODER oder NICHT verbinden.");
    const QueryToken& term = leaf.term;
    if (!HasText(term.text))
        return std::nullopt;
    // A plain word is found in all its forms; a phrase or a prefix as typed.
    const bool stemmed = !term.phrase && !term.prefix;
    std::string expression = QuotedString(stemmed ? kStemmedQueryMark : "", term.text);
    if (term.prefix && !term.phrase)
        expression += " *";
    if (const char* column = ColumnOf(leaf.field))
        expression = "(" + std::string(column) + " : " + expression + ")";
    return Compiled{expression, false};
}

// The children compiled, each distinct one once: a query that repeats a
// term costs what it costs with the term once.
void CompileChildren(const QueryNode& node, std::vector<std::string>& found, std::vector<std::string>& notFound)
{
    std::set<Compiled> seen;
    for (const NodePtr& child : node.children) {
        std::optional<Compiled> part = Compile(*child);
        if (!part || !seen.insert(*part).second)
            continue;
        (part->negated ? notFound : found).push_back(part->expression);
    }
}

std::optional<Compiled> Compile(const QueryNode& node)
{
    switch (node.kind) {
    case QueryNode::Leaf:
        return CompileLeaf(node);
    case QueryNode::Without: {
        std::optional<Compiled> inner = Compile(*node.children.front());
        if (inner)
            inner->negated = !inner->negated;
        return inner;
    }
    case QueryNode::All:
    case QueryNode::Any:
        break;
    }
    std::vector<std::string> found;
    std::vector<std::string> notFound;
    CompileChildren(node, found, notFound);
    if (found.empty() && notFound.empty())
        return std::nullopt;
    if (node.kind == QueryNode::All) {
        // a b -c -d: (a AND b) NOT (c OR d); -c -d alone: not (c OR d).
        if (found.empty())
            return Compiled{Group(notFound, " OR "), true};
        std::string expression = Group(found, " AND ");
        if (!notFound.empty())
            expression = "(" + expression + " NOT " + Group(notFound, " OR ") + ")";
        return Compiled{expression, false};
    }
    // a OR b; -c OR -d: not (c AND d); a OR -c: not (c NOT a).
    if (notFound.empty())
        return Compiled{Group(found, " OR "), false};
    std::string expression = Group(notFound, " AND ");
    if (!found.empty())
        expression = "(" + expression + " NOT " + Group(found, " OR ") + ")";
    return Compiled{expression, true};
}

void AddDateRange(SearchQuery& query, const std::string& value, std::int64_t utcOffsetSeconds)
{
    const DateRange range = ReadDateRange(value, utcOffsetSeconds);
    if (range.from)
        query.from = query.from ? std::max(*query.from, *range.from) : *range.from;
    if (range.until)
        query.until = query.until ? std::min(*query.until, *range.until) : *range.until;
}

// The date terms of the top level (parentheses of AND alone count as the
// top level) leave the tree and become the query's range.
void TakeDates(QueryNode& all, SearchQuery& query, std::int64_t utcOffsetSeconds)
{
    std::vector<NodePtr> kept;
    for (NodePtr& child : all.children) {
        if (child->kind == QueryNode::All) {
            TakeDates(*child, query, utcOffsetSeconds);
            kept.push_back(std::move(child));
        } else if (child->kind == QueryNode::Leaf && child->field == "datum") {
            if (!child->term.text.empty())
                AddDateRange(query, child->term.text, utcOffsetSeconds);
        } else {
            kept.push_back(std::move(child));
        }
    }
    all.children = std::move(kept);
}

}  // namespace

SearchQuery ParseSearchQuery(std::string_view text, std::int64_t utcOffsetSeconds)
{
    if (text.size() > kLongestQuery)
        throw Error("Die Suchanfrage ist zu lang: höchstens 4096 Zeichen.");
    NodePtr root = QueryParser(SplitQueryTokens(text)).Run();
    SearchQuery query;
    TakeDates(*root, query, utcOffsetSeconds);
    if (std::optional<Compiled> compiled = Compile(*root)) {
        query.match = compiled->expression;
        query.negated = compiled->negated;
    }
    return query;
}

}  // namespace vellumine
