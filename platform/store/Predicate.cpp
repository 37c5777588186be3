#include "platform/store/Predicate.h"

#include "platform/base/Strings.h"
#include "platform/store/StoreError.h"

#include <cctype>
#include <optional>

namespace store {

Predicate Predicate::equal(std::string keyPath, base::Value value) {
    Predicate predicate;
    predicate.kind_ = Kind::Comparison;
    predicate.operator_ = Operator::Equal;
    predicate.keyPath_ = std::move(keyPath);
    predicate.value_ = std::move(value);
    return predicate;
}

Predicate Predicate::notEqual(std::string keyPath, base::Value value) {
    Predicate predicate = equal(std::move(keyPath), std::move(value));
    predicate.operator_ = Operator::NotEqual;
    return predicate;
}

Predicate Predicate::conjunction(std::vector<Predicate> subpredicates) {
    Predicate predicate;
    predicate.kind_ = Kind::And;
    predicate.subpredicates_ = std::move(subpredicates);
    return predicate;
}

Predicate Predicate::disjunction(std::vector<Predicate> subpredicates) {
    Predicate predicate;
    predicate.kind_ = Kind::Or;
    predicate.subpredicates_ = std::move(subpredicates);
    return predicate;
}

Predicate Predicate::negation(Predicate subpredicate) {
    Predicate predicate;
    predicate.kind_ = Kind::Not;
    predicate.subpredicates_.push_back(std::move(subpredicate));
    return predicate;
}

std::string Predicate::description() const {
    switch (kind_) {
    case Kind::Comparison: {
        std::string value;
        if (value_.isNull())
            value = "nil";
        else if (value_.isString())
            value = "\"" + *value_.string() + "\"";
        else
            value = value_.description();
        return keyPath_ + (operator_ == Operator::Equal ? " == " : " != ") + value;
    }
    case Kind::Not:
        return "NOT (" + subpredicates_.front().description() + ")";
    case Kind::And:
    case Kind::Or: {
        if (subpredicates_.empty())
            return kind_ == Kind::And ? "TRUEPREDICATE" : "FALSEPREDICATE";
        std::string text;
        for (const Predicate& subpredicate : subpredicates_) {
            if (!text.empty())
                text += kind_ == Kind::And ? " AND " : " OR ";
            bool compound = subpredicate.kind_ == Kind::And || subpredicate.kind_ == Kind::Or;
            text += compound ? "(" + subpredicate.description() + ")" : subpredicate.description();
        }
        return text;
    }
    }
    return {};
}

namespace {

enum class Token { KeyPath, Equal, NotEqual, And, Or, Not, Open, Close, Nil, Argument, End, Bad };

bool isNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Recursive descent over: or := and (OR and)*; and := unary (AND unary)*;
// unary := NOT unary | '(' or ')' | keyPath op value.
class Reader {
public:
    Reader(std::string_view text, std::vector<base::Value> arguments)
        : text_(text)
        , arguments_(std::move(arguments)) {
        advance();
    }

    base::Result<Predicate> read() {
        auto predicate = readOr();
        if (!predicate)
            return predicate;
        if (token_ != Token::End)
            return fail("unexpected \"" + std::string(word_) + "\"");
        if (nextArgument_ != arguments_.size())
            return fail(std::to_string(arguments_.size()) + " arguments given for " +
                        std::to_string(nextArgument_) + " %@");
        return predicate;
    }

private:
    base::Error fail(const std::string& what) const {
        return storeError(PersistentStoreOperationError,
                          "The condition \"" + std::string(text_) + "\" cannot be read: " + what);
    }

    void advance() {
        while (position_ < text_.size() &&
               std::isspace(static_cast<unsigned char>(text_[position_])))
            ++position_;
        std::size_t start = position_;
        auto take = [&](std::size_t length, Token token) {
            position_ += length;
            word_ = text_.substr(start, length);
            token_ = token;
        };
        if (position_ >= text_.size())
            return take(0, Token::End);
        std::string_view rest = text_.substr(position_);
        if (rest.starts_with("==") || rest.starts_with("<>") || rest.starts_with("!=") ||
            rest.starts_with("&&") || rest.starts_with("||")) {
            Token token = rest[0] == '='   ? Token::Equal
                          : rest[0] == '&' ? Token::And
                          : rest[0] == '|' ? Token::Or
                                           : Token::NotEqual;
            return take(2, token);
        }
        if (rest.starts_with("%@"))
            return take(2, Token::Argument);
        switch (rest[0]) {
        case '=':
            return take(1, Token::Equal);
        case '!':
            return take(1, Token::Not);
        case '(':
            return take(1, Token::Open);
        case ')':
            return take(1, Token::Close);
        default:
            break;
        }
        if (!isNameStart(rest[0]))
            return take(1, Token::Bad);
        // A key path: names joined by dots.
        std::size_t length = 0;
        while (true) {
            if (length >= rest.size() || !isNameStart(rest[length]))
                return take(length ? length : 1, Token::Bad);
            while (length < rest.size() && isNameChar(rest[length]))
                ++length;
            if (length < rest.size() && rest[length] == '.') {
                ++length;
                continue;
            }
            break;
        }
        std::string_view word = rest.substr(0, length);
        Token token = Token::KeyPath;
        if (base::equalsIgnoringASCIICase(word, "AND"))
            token = Token::And;
        else if (base::equalsIgnoringASCIICase(word, "OR"))
            token = Token::Or;
        else if (base::equalsIgnoringASCIICase(word, "NOT"))
            token = Token::Not;
        else if (base::equalsIgnoringASCIICase(word, "NIL") ||
                 base::equalsIgnoringASCIICase(word, "NULL"))
            token = Token::Nil;
        take(length, token);
    }

    base::Result<Predicate> readOr() {
        std::vector<Predicate> terms;
        while (true) {
            auto term = readAnd();
            if (!term)
                return term;
            terms.push_back(std::move(*term));
            if (token_ != Token::Or)
                break;
            advance();
        }
        if (terms.size() == 1)
            return std::move(terms.front());
        return Predicate::disjunction(std::move(terms));
    }

    base::Result<Predicate> readAnd() {
        std::vector<Predicate> terms;
        while (true) {
            auto term = readUnary();
            if (!term)
                return term;
            terms.push_back(std::move(*term));
            if (token_ != Token::And)
                break;
            advance();
        }
        if (terms.size() == 1)
            return std::move(terms.front());
        return Predicate::conjunction(std::move(terms));
    }

    base::Result<Predicate> readUnary() {
        if (token_ == Token::Not || token_ == Token::Open) {
            // Each level costs stack here and in whatever walks the condition later.
            if (depth_ == maximumDepth)
                return fail("nested more than " + std::to_string(maximumDepth) + " levels deep");
            ++depth_;
            auto nested = readNested();
            --depth_;
            return nested;
        }
        return readComparison();
    }

    base::Result<Predicate> readNested() {
        if (token_ == Token::Not) {
            advance();
            auto operand = readUnary();
            if (!operand)
                return operand;
            return Predicate::negation(std::move(*operand));
        }
        advance();
        auto inner = readOr();
        if (!inner)
            return inner;
        if (token_ != Token::Close)
            return fail("a \")\" is missing");
        advance();
        return inner;
    }

    base::Result<Predicate> readComparison() {
        if (token_ != Token::KeyPath)
            return fail(token_ == Token::End
                            ? "a comparison is missing at the end"
                            : "expected a key path, found \"" + std::string(word_) + "\"");
        std::string keyPath(word_);
        advance();
        if (token_ != Token::Equal && token_ != Token::NotEqual)
            return fail("expected == or != after \"" + keyPath + "\"");
        bool equal = token_ == Token::Equal;
        advance();
        base::Value value;
        if (token_ == Token::Argument) {
            if (nextArgument_ >= arguments_.size())
                return fail("more %@ than arguments");
            value = arguments_[nextArgument_++];
        } else if (token_ != Token::Nil) {
            return fail("a value must be nil or %@ (with an argument), found \"" +
                        std::string(word_) + "\"");
        }
        advance();
        return equal ? Predicate::equal(std::move(keyPath), std::move(value))
                     : Predicate::notEqual(std::move(keyPath), std::move(value));
    }

    static constexpr int maximumDepth = 100;

    std::string_view text_;
    std::vector<base::Value> arguments_;
    int depth_ = 0;
    std::size_t nextArgument_ = 0;
    std::size_t position_ = 0;
    Token token_ = Token::End;
    std::string_view word_;
};

} // namespace

base::Result<Predicate> Predicate::parse(std::string_view format,
                                         std::vector<base::Value> arguments) {
    return Reader(format, std::move(arguments)).read();
}

} // namespace store
