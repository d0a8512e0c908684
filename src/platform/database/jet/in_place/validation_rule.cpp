#include "platform/database/jet/in_place/validation_rule.h"

#include "platform/database/jet/format/database_header.h"
#include "platform/database/jet/in_place/general_sort_order.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace {

// The operands' kinds; a rule compares only operands of one kind.
enum class Kind { Number, Text };

struct Operand {
    int column = -1;  // a column's value, or else the constant
    Variant constant;
    Kind kind = Kind::Number;
};

struct Unreadable {};

}  // namespace

struct ValidationRule::Node {
    enum class Type { And, Or, Not, Compare, Between, In, Like, IsNull } type = Type::Compare;
    std::vector<Node> children;     // And, Or, Not
    std::vector<Operand> operands;  // the tested value first
    QString comparison;             // Compare
    QRegularExpression pattern;     // Like
};

namespace {

using Node = ValidationRule::Node;

Node Joined(Node::Type type, std::vector<Node> children)
{
    Node node;
    node.type = type;
    node.children = std::move(children);
    return node;
}

Node Test(Node::Type type, std::vector<Operand> operands)
{
    Node node;
    node.type = type;
    node.operands = std::move(operands);
    return node;
}

Node Negated(Node node)
{
    std::vector<Node> children;
    children.push_back(std::move(node));
    return Joined(Node::Type::Not, std::move(children));
}

struct RuleToken {
    enum Type { Word, Column, Text, Date, Number, Symbol, End } type = End;
    QString text;
};

// Jet writes rules with "texts" or 'texts', #dates#, [columns] and words.
std::vector<RuleToken> Tokens(const QString& rule)
{
    std::vector<RuleToken> tokens;
    qsizetype at = 0;
    while (at < rule.size()) {
        const QChar c = rule[at];
        if (c.isSpace()) {
            ++at;
        } else if (c == u'"' || c == u'\'') {
            QString text;
            for (++at;; ++at) {
                if (at >= rule.size())
                    throw Unreadable{};
                if (rule[at] == c) {
                    if (at + 1 < rule.size() && rule[at + 1] == c) {
                        text.append(c);
                        ++at;
                        continue;
                    }
                    ++at;
                    break;
                }
                text.append(rule[at]);
            }
            tokens.push_back({RuleToken::Text, text});
        } else if (c == u'#' || c == u'[') {
            const qsizetype end = rule.indexOf(c == u'#' ? u'#' : u']', at + 1);
            if (end < 0)
                throw Unreadable{};
            tokens.push_back({c == u'#' ? RuleToken::Date : RuleToken::Column, rule.mid(at + 1, end - at - 1)});
            at = end + 1;
        } else if (c.isDigit() || (c == u'.' && at + 1 < rule.size() && rule[at + 1].isDigit())) {
            static const QRegularExpression number(QStringLiteral(R"(\d*\.?\d*([eE][+-]?\d+)?)"));
            const QString digits =
                number.match(rule, at, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption)
                    .captured(0);
            if (digits.isEmpty())
                throw Unreadable{};  // a digit of another script
            tokens.push_back({RuleToken::Number, digits});
            at += digits.size();
        } else if (c.isLetter() || c == u'_') {
            const qsizetype start = at;
            while (at < rule.size() && (rule[at].isLetterOrNumber() || rule[at] == u'_'))
                ++at;
            tokens.push_back({RuleToken::Word, rule.mid(start, at - start)});
        } else {
            static const QStringList twoCharacters{QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">=")};
            const QString pair = rule.mid(at, 2);
            const QString symbol = twoCharacters.contains(pair) ? pair : QString(c);
            if (!QStringLiteral("=<>(),+-").contains(symbol[0]))
                throw Unreadable{};
            tokens.push_back({RuleToken::Symbol, symbol});
            at += symbol.size();
        }
    }
    tokens.push_back({});
    return tokens;
}

// A date as Jet reads one between #: month first, or year-month-day, a time
// of day after it if any.
Variant JetDateConstant(const QString& text)
{
    static const char* const formats[] = {"M/d/yyyy", "M/d/yyyy H:mm", "M/d/yyyy H:mm:ss",
                                          "yyyy-M-d", "yyyy-M-d H:mm", "yyyy-M-d H:mm:ss"};
    for (const char* format : formats) {
        const QDateTime parsed = QDateTime::fromString(text.simplified(), QLatin1String(format));
        if (parsed.isValid())
            return Variant(JetDateTime(parsed));
    }
    throw Unreadable{};
}

// Jet's Like: * any text, ? one character, # one digit, [list], [!list], a-z
// ranges in lists; letters without regard to case.
QRegularExpression LikePattern(const QString& pattern)
{
    QString expression = QStringLiteral("^");
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'*') {
            expression += QStringLiteral(".*");
        } else if (c == u'?') {
            expression += u'.';
        } else if (c == u'#') {
            expression += QStringLiteral("[0-9]");
        } else if (c == u'[') {
            const qsizetype end = pattern.indexOf(u']', i + 1);
            if (end < 0)
                throw Unreadable{};
            QString list = pattern.mid(i + 1, end - i - 1);
            const bool negated = list.startsWith(u'!');
            if (negated)
                list.remove(0, 1);
            QString escaped;
            for (const QChar member : list)
                escaped += member == u'-' ? QStringLiteral("-") : QRegularExpression::escape(QString(member));
            expression += (negated ? QStringLiteral("[^") : QStringLiteral("[")) + escaped + u']';
            i = end;
        } else {
            expression += QRegularExpression::escape(QString(c));
        }
    }
    QRegularExpression compiled(
        expression + u'$', QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (!compiled.isValid())
        throw Unreadable{};
    return compiled;
}

class RuleParser {
public:
    RuleParser(const JetTableSchema& schema, int column, const QString& rule)
        : schema_(schema), column_(column), tokens_(Tokens(rule))
    {
    }

    Node rule()
    {
        Node root = either();
        if (token().type != RuleToken::End)
            throw Unreadable{};
        return root;
    }

private:
    const RuleToken& token() const { return tokens_[at_]; }
    bool atWord(const char* word) const
    {
        return token().type == RuleToken::Word && token().text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool atSymbol(const char* symbol) const
    {
        return token().type == RuleToken::Symbol && token().text == QLatin1String(symbol);
    }
    bool atComparison() const
    {
        static const QStringList comparisons{"=", "<>", "<", "<=", ">", ">="};
        return token().type == RuleToken::Symbol && comparisons.contains(token().text);
    }
    void expectWord(const char* word)
    {
        if (!atWord(word))
            throw Unreadable{};
        ++at_;
    }
    void expectSymbol(const char* symbol)
    {
        if (!atSymbol(symbol))
            throw Unreadable{};
        ++at_;
    }

    Node joined(Node::Type type, Node (RuleParser::*part)(), const char* word)
    {
        Node first = (this->*part)();
        if (!atWord(word))
            return first;
        std::vector<Node> children;
        children.push_back(std::move(first));
        Node node = Joined(type, std::move(children));
        while (atWord(word)) {
            ++at_;
            node.children.push_back((this->*part)());
        }
        return node;
    }

    Node either() { return joined(Node::Type::Or, &RuleParser::both, "Or"); }
    Node both() { return joined(Node::Type::And, &RuleParser::negation, "And"); }

    Node negation()
    {
        if (!atWord("Not"))
            return predicate();
        ++at_;
        return Negated(negation());
    }

    bool atTail() const
    {
        return atComparison() || atWord("Between") || atWord("In") || atWord("Like") || atWord("Is")
            || (atWord("Not")
                && (tokens_[at_ + 1].text.compare(QLatin1String("Between"), Qt::CaseInsensitive) == 0
                    || tokens_[at_ + 1].text.compare(QLatin1String("In"), Qt::CaseInsensitive) == 0
                    || tokens_[at_ + 1].text.compare(QLatin1String("Like"), Qt::CaseInsensitive) == 0));
    }

    Node predicate()
    {
        if (atTail())
            return tail(ownColumn());
        if (atSymbol("(")) {
            // A group, unless a comparison follows it: "(1) < [a]" is not read.
            ++at_;
            Node group = either();
            expectSymbol(")");
            return group;
        }
        const Operand left = operand();
        if (atTail())
            return tail(left);
        // A column's rule that is a bare value asks for that value.
        return compared(ownColumn(), QStringLiteral("="), left);
    }

    Operand ownColumn() const
    {
        if (column_ < 0)
            throw Unreadable{};
        return fieldOperand(column_);
    }

    Operand fieldOperand(int column) const
    {
        switch (schema_.columns[column].column.type) {
            case JetColumnType::Byte:
            case JetColumnType::Integer:
            case JetColumnType::LongInteger:
            case JetColumnType::Double:
            case JetColumnType::DateTime: return {column, {}, Kind::Number};
            case JetColumnType::Text:
            case JetColumnType::Memo: return {column, {}, Kind::Text};
            default: throw Unreadable{};
        }
    }

    Operand operand()
    {
        const RuleToken current = token();
        ++at_;
        switch (current.type) {
            case RuleToken::Text: return {-1, Variant(current.text), Kind::Text};
            case RuleToken::Date: return {-1, JetDateConstant(current.text), Kind::Number};
            case RuleToken::Number: return {-1, number(current.text, false), Kind::Number};
            case RuleToken::Symbol:
                if ((current.text == u'-' || current.text == u'+') && token().type == RuleToken::Number)
                    return {-1, number(tokens_[at_++].text, current.text == u'-'), Kind::Number};
                throw Unreadable{};
            case RuleToken::Column:
            case RuleToken::Word: {
                if (current.type == RuleToken::Word && atSymbol("("))
                    throw Unreadable{};  // a function
                const int column = schema_.columnNamed(current.text);
                if (column < 0)
                    throw Unreadable{};
                return fieldOperand(column);
            }
            default: throw Unreadable{};
        }
    }

    static Variant number(const QString& digits, bool negative)
    {
        bool ok = false;
        const double value = QLocale::c().toDouble(digits, &ok);
        if (!ok || !std::isfinite(value))
            throw Unreadable{};
        return Variant(negative ? -value : value);
    }

    static Node compared(const Operand& left, const QString& comparison, const Operand& right)
    {
        if (left.kind != right.kind)
            throw Unreadable{};
        Node node = Test(Node::Type::Compare, {left, right});
        node.comparison = comparison;
        return node;
    }

    Node tail(const Operand& tested)
    {
        if (atComparison()) {
            const QString comparison = token().text;
            ++at_;
            return compared(tested, comparison, operand());
        }
        if (atWord("Is")) {
            ++at_;
            const bool negated = atWord("Not");
            if (negated)
                ++at_;
            expectWord("Null");
            Node node = Test(Node::Type::IsNull, {tested});
            return negated ? Negated(std::move(node)) : node;
        }
        const bool negated = atWord("Not");
        if (negated)
            ++at_;
        Node node = Test(Node::Type::Compare, {tested});
        if (atWord("Between")) {
            ++at_;
            node.type = Node::Type::Between;
            node.operands.push_back(operand());
            expectWord("And");
            node.operands.push_back(operand());
        } else if (atWord("In")) {
            ++at_;
            node.type = Node::Type::In;
            expectSymbol("(");
            node.operands.push_back(operand());
            while (atSymbol(",")) {
                ++at_;
                node.operands.push_back(operand());
            }
            expectSymbol(")");
        } else {
            expectWord("Like");
            node.type = Node::Type::Like;
            const Operand pattern = operand();
            if (pattern.column >= 0 || pattern.kind != Kind::Text || tested.kind != Kind::Text)
                throw Unreadable{};
            node.pattern = LikePattern(pattern.constant.text());
        }
        for (const Operand& other : node.operands) {
            if (other.kind != tested.kind)
                throw Unreadable{};
        }
        return negated ? Negated(std::move(node)) : node;
    }

    const JetTableSchema& schema_;
    int column_;
    std::vector<RuleToken> tokens_;
    qsizetype at_ = 0;
};

struct Incomparable {};

const Variant& ValueOf(const Operand& operand, const std::vector<Variant>& row)
{
    return operand.column >= 0 ? row[operand.column] : operand.constant;
}

double AsNumber(const Variant& value)
{
    return value.type() == Variant::Type::Integer ? static_cast<double>(value.integer()) : value.real();
}

// How a compares with b, texts in the General sort order as Jet compares
// them; empty when either is Null.
std::optional<int> Compare(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull())
        return std::nullopt;
    if (a.type() == Variant::Type::Text && b.type() == Variant::Type::Text) {
        const std::optional<QByteArray> left = GeneralSortKey(a.text());
        const std::optional<QByteArray> right = GeneralSortKey(b.text());
        if (!left || !right)
            throw Incomparable{};
        return left < right ? -1 : (left == right ? 0 : 1);
    }
    if (a.type() == Variant::Type::Text || b.type() == Variant::Type::Text)
        throw Incomparable{};
    const double left = AsNumber(a);
    const double right = AsNumber(b);
    return left < right ? -1 : (left == right ? 0 : 1);
}

bool Holds(const QString& comparison, int order)
{
    if (comparison == u'=')
        return order == 0;
    if (comparison == QLatin1String("<>"))
        return order != 0;
    if (comparison == u'<')
        return order < 0;
    if (comparison == QLatin1String("<="))
        return order <= 0;
    if (comparison == u'>')
        return order > 0;
    return order >= 0;
}

// Jet's three-valued logic: empty is Null.
std::optional<bool> Evaluate(const Node& node, const std::vector<Variant>& row)
{
    const auto value = [&](int i) -> const Variant& { return ValueOf(node.operands[i], row); };
    switch (node.type) {
        case Node::Type::And:
        case Node::Type::Or: {
            const bool decisive = node.type == Node::Type::Or;
            bool unknown = false;
            for (const Node& child : node.children) {
                const std::optional<bool> result = Evaluate(child, row);
                if (result == decisive)
                    return decisive;
                unknown = unknown || !result;
            }
            return unknown ? std::nullopt : std::optional<bool>(!decisive);
        }
        case Node::Type::Not: {
            const std::optional<bool> result = Evaluate(node.children[0], row);
            return result ? std::optional<bool>(!*result) : std::nullopt;
        }
        case Node::Type::IsNull: return value(0).isNull();
        case Node::Type::Compare: {
            const std::optional<int> order = Compare(value(0), value(1));
            return order ? std::optional<bool>(Holds(node.comparison, *order)) : std::nullopt;
        }
        case Node::Type::Between: {
            // Jet takes the bounds in either order.
            std::optional<int> low = Compare(value(0), value(1));
            std::optional<int> high = Compare(value(0), value(2));
            if (!low || !high)
                return std::nullopt;
            return (*low >= 0 && *high <= 0) || (*low <= 0 && *high >= 0);
        }
        case Node::Type::In: {
            bool unknown = false;
            for (std::size_t i = 1; i < node.operands.size(); ++i) {
                const std::optional<int> order = Compare(value(0), value(static_cast<int>(i)));
                if (order == 0)
                    return true;
                unknown = unknown || !order;
            }
            return unknown ? std::nullopt : std::optional<bool>(false);
        }
        case Node::Type::Like:
            if (value(0).isNull())
                return std::nullopt;
            return node.pattern.match(value(0).text()).hasMatch();
    }
    return std::nullopt;
}

}  // namespace

std::optional<ValidationRule> ValidationRule::Read(const JetTableSchema& schema, int column, const QString& rule)
{
    try {
        return ValidationRule(std::make_shared<const Node>(RuleParser(schema, column, rule).rule()));
    } catch (const Unreadable&) {
        return std::nullopt;
    }
}

std::optional<bool> ValidationRule::passes(const std::vector<Variant>& row) const
{
    try {
        return Evaluate(*root_, row) != false;
    } catch (const Incomparable&) {
        return std::nullopt;
    }
}
