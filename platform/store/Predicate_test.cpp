#include "platform/store/Predicate.h"

#include <gtest/gtest.h>

namespace {

using store::Predicate;

Predicate parsed(std::string_view text, std::vector<base::Value> arguments = {}) {
    auto predicate = Predicate::parse(text, std::move(arguments));
    EXPECT_TRUE(predicate) << text << ": "
                           << (predicate ? "" : predicate.error().localizedDescription());
    return predicate ? *predicate : Predicate::conjunction({});
}

TEST(Predicate, ReadsTheBrowserForms) {
    EXPECT_EQ(parsed("Parent == nil"), Predicate::equal("Parent", {}));
    EXPECT_EQ(parsed("Folder.name == %@", {base::Value()}), Predicate::equal("Folder.name", {}));
    EXPECT_EQ(parsed("Folder.name == %@", {"Work"}), Predicate::equal("Folder.name", "Work"));
    EXPECT_EQ(parsed("Parent.name == %@", {"O'Brien \"x\""}),
              Predicate::equal("Parent.name", "O'Brien \"x\""));
    EXPECT_EQ(parsed("  name=%@ ", {"a"}), Predicate::equal("name", "a"));
    EXPECT_EQ(parsed("url != NULL"), Predicate::notEqual("url", {}));
    EXPECT_EQ(parsed("url <> %@", {"x"}), Predicate::notEqual("url", "x"));
}

TEST(Predicate, CombinesWithPrecedenceAndParentheses) {
    auto a = Predicate::equal("a", 1);
    auto b = Predicate::equal("b", 2);
    auto c = Predicate::equal("c", 3);
    std::vector<base::Value> arguments{1, 2, 3};
    // AND binds tighter than OR.
    EXPECT_EQ(parsed("a == %@ OR b == %@ AND c == %@", arguments),
              Predicate::disjunction({a, Predicate::conjunction({b, c})}));
    EXPECT_EQ(parsed("(a == %@ || b == %@) && c == %@", arguments),
              Predicate::conjunction({Predicate::disjunction({a, b}), c}));
    EXPECT_EQ(parsed("not a == %@ and NOT (b == %@ or c == %@)", arguments),
              Predicate::conjunction(
                  {Predicate::negation(a), Predicate::negation(Predicate::disjunction({b, c}))}));
    EXPECT_EQ(parsed("!(a == %@)", {1}), Predicate::negation(a));
    // Nesting up to a hundred levels reads.
    auto deep = a;
    for (int i = 0; i < 50; ++i)
        deep = Predicate::negation(deep);
    EXPECT_EQ(
        parsed(std::string(50, '!') + std::string(50, '(') + "a == %@" + std::string(50, ')'), {1}),
        deep);
}

TEST(Predicate, RefusesWhatItCannotRead) {
    const std::vector<std::pair<std::string, std::vector<base::Value>>> bad{
        {"", {}},
        {"name ==", {}},
        {"name == %@", {}},         // too few arguments
        {"name == %@", {"a", "b"}}, // too many
        {"name == 'x'", {}},        // literals belong in the arguments
        {"name == \"x\"", {}},
        {"order == 3", {}},
        {"name == %@ AND", {"a"}},
        {"(name == %@", {"a"}},
        {"name == %@)", {"a"}},
        {"name < %@", {"a"}},
        {"Folder. == nil", {}},
        {".name == nil", {}},
        {"name == nil; DROP TABLE Bookmark", {}},
        // Nesting that would overflow the stack, of "(" and of "!".
        {std::string(2000, '(') + "a == nil" + std::string(2000, ')'), {}},
        {std::string(2000, '!') + "a == nil", {}},
        {std::string(101, '(') + "a == nil" + std::string(101, ')'), {}},
    };
    for (const auto& [text, arguments] : bad) {
        auto predicate = Predicate::parse(text, arguments);
        EXPECT_FALSE(predicate) << "\"" << text << "\" was read as "
                                << (predicate ? predicate->description() : "");
    }
}

TEST(Predicate, DescribesItselfReadably) {
    EXPECT_EQ(parsed("Folder.name == %@", {"Work"}).description(), "Folder.name == \"Work\"");
    EXPECT_EQ(parsed("Parent == nil OR NOT (name != %@ AND order == %@)", {"a", 2}).description(),
              "Parent == nil OR NOT (name != \"a\" AND order == 2)");
}

} // namespace
